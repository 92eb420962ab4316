#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// One control record as it travels over the control socket: "MSG WPARAM LPARAM" in decimal
// ASCII, single blanks between, ending in a newline (for example "1324 0 0\n").
struct ControlRecord {
    // Longest record accepted, its newline included; anything longer is refused unread.
    static constexpr int MaxLength = 64;

    int message = 0;
    qint64 wParam = 0;
    qint64 lParam = 0;

    // The record with its newline.
    QByteArray toBytes() const;
    // The record one line holds (without its newline), or nothing when the line is not exactly a
    // record: no sign on the message, no other characters, no extra or missing blanks.
    static std::optional<ControlRecord> parse(const QByteArray& line);
};
