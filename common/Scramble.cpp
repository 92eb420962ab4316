#include "common/Scramble.h"

#include <optional>

#include <QByteArray>
#include <QRandomGenerator>

#include "common/TextCodec.h"

namespace
{

constexpr char marker = '1';
constexpr int headerSize = 4;

quint8 rotateLeft(quint8 byte, int count)
{
    count &= 7;
    return count == 0 ? byte : static_cast<quint8>((byte << count) | (byte >> (8 - count)));
}

quint8 rotateRight(quint8 byte, int count)
{
    count &= 7;
    return count == 0 ? byte : static_cast<quint8>((byte >> count) | (byte << (8 - count)));
}

bool isBlanksOnly(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) > 32)
            return false;
    }
    return true;
}

// One generator per run, seeded once from the system's entropy.
QRandomGenerator& generator()
{
    static QRandomGenerator random(QRandomGenerator::system()->generate());
    return random;
}

// Value of a digit in the hexadecimal form. The seven characters between "9" and "A" count as
// 65535, which the modulo-256 of the pair turns into F0 (first digit) or FF (second digit).
std::optional<int> digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u > u'9' && u < u'A')
        return 65535;
    return std::nullopt;
}

std::optional<QByteArray> bytesOfHexForm(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const auto high = digitValue(text[i]);
        const auto low = digitValue(text[i + 1]);
        if (!high || !low)
            return std::nullopt;
        bytes.append(static_cast<char>((*high * 16 + *low) % 256));
    }
    return bytes;
}

std::optional<QByteArray> bytesOfPlainForm(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        bytes.append(static_cast<char>(c.unicode()));
    }
    return bytes;
}

} // namespace

QString ScrambleTextWith(const QString& value, bool hexForm, int startRotation, int fillerIndex)
{
    const QByteArray bytes = value.toUtf8();
    if (isBlanksOnly(bytes))
        return {};
    int r = startRotation;
    QByteArray inner;
    inner.reserve(bytes.size() + headerSize);
    inner.append(marker);
    inner.append(static_cast<char>(r));
    inner.append(' '); // the end counter, set below
    inner.append(static_cast<char>('A' + fillerIndex));
    inner.append(bytes);
    for (qsizetype k = headerSize - 1; k < inner.size(); ++k) {
        inner[k] = static_cast<char>(rotateLeft(static_cast<quint8>(inner[k]), r));
        r = r >= 7 ? 1 : r + 1;
    }
    inner[2] = static_cast<char>(r);
    return hexForm ? QString::fromLatin1(inner.toHex().toUpper()) : QString::fromLatin1(inner);
}

QString ScrambleText(const QString& value, bool hexForm)
{
    const int r = generator().bounded(1, 8);
    const int filler = generator().bounded(0, 25);
    return ScrambleTextWith(value, hexForm, r, filler);
}

QString UnscrambleText(const QString& text, bool hexForm)
{
    const std::optional<QByteArray> read = hexForm ? bytesOfHexForm(text) : bytesOfPlainForm(text);
    if (!read || read->size() < headerSize)
        return {};
    QByteArray inner = *read;
    int r = static_cast<quint8>(inner[1]);
    for (qsizetype k = headerSize - 1; k < inner.size(); ++k) {
        inner[k] = static_cast<char>(rotateRight(static_cast<quint8>(inner[k]), r % 8));
        r = (r + 1) % 256;
        if (r > 7)
            r = 1;
    }
    if (inner[0] != marker || static_cast<quint8>(inner[2]) != r)
        return {};
    return DecodeUtf8OrWindows1252(inner.mid(headerSize));
}
