#pragma once

#include <QString>

// Light obfuscation of the credentials kept in the settings file. Not encryption: it keeps a
// password from being read over a shoulder, nothing more.
//
// The scrambled form of a value of n bytes (its UTF-8 encoding) has n + 4 bytes: the marker "1",
// the start rotation r0 (1..7), the end counter (1..7), a filler letter "A".."Y" and the value's
// bytes. From the filler on each byte is rotated left by a count that starts at r0 and cycles
// through 1..7; the end counter is the count the next byte would get. The hexadecimal form
// writes each byte as two upper-case digits; the plain form holds the bytes as Latin-1 characters.

// The scrambled form of value, or "" when value is empty or blanks only.
QString ScrambleText(const QString& value, bool hexForm = true);

// The value, or "" when text does not unscramble (too short, wrong marker, wrong end counter,
// characters outside "0".."F" in the hexadecimal form). Bytes that are not valid UTF-8 are read
// as Windows-1252, as earlier installations wrote them.
QString UnscrambleText(const QString& text, bool hexForm = true);

// ScrambleText with a fixed start rotation (1..7) and filler index (0..24 for "A".."Y"), so that
// the result can be checked byte for byte.
QString ScrambleTextWith(const QString& value, bool hexForm, int startRotation, int fillerIndex);
