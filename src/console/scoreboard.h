#pragma once

// Rules of the score boards: the basketball board keeps two scores, two team names and a
// court name and sends every change as a part update of the court's parts; the baseball
// sample board sends only the two team names. Packets are built here from the values as
// code page 932 bytes; the windows only call these functions.

#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

#include "platform/colour.h"

namespace zul {

// Scores are held between 0 and this.
inline constexpr int kMaxScore = 300;
// The courts of the drop-down "コートNo1" to "コートNo4".
inline constexpr int kCourtCount = 4;

// The five values of a court, each sent to its own part.
enum class BoardField { FirstScore, SecondScore, FirstName, SecondName, CourtName };

// What "一括送信" sends, in this order.
inline constexpr std::array<BoardField, 5> kSendAllOrder{
    BoardField::FirstScore, BoardField::SecondScore, BoardField::FirstName, BoardField::SecondName,
    BoardField::CourtName};

// A point button: the score plus 1, 2 or 3, held between 0 and kMaxScore.
int addPoints(int score, int points);

// The court number of the drop-down's entry `index` (its position plus 1), kept to the
// courts there are.
int courtNumber(int index);

// The name of the field's part on `court`: "先攻得点", "後攻得点", "先攻チーム名",
// "後攻チーム名" or "コート名" followed by the court number, in code page 932.
QByteArray boardPartName(BoardField field, int court);

// CmdPartUpdate of a score, "%c%s%d,%d,,\n": the part keeps its colours.
QByteArray scorePacket(BoardField field, int court, int score);
// CmdPartUpdate of a team or court name, "%c%s%d,%s,,\n"; `text` is code page 932 without
// a line feed.
QByteArray namePacket(BoardField field, int court, const QByteArray& text);
// The baseball board's team name, "%c%s,%s,,\n" without a court number; `first` chooses
// "先攻チーム名" or "後攻チーム名".
QByteArray baseballNamePacket(bool first, const QByteArray& text);

// The values that a swap exchanges.
struct BoardSides {
    int firstScore = 0;
    int secondScore = 0;
    QString firstName;
    QString secondName;
};

// One value given to a box: a score for the score fields, a text for the name fields.
struct BoardAssignment {
    BoardField field;
    int score = 0;
    QString text;

    friend bool operator==(const BoardAssignment&, const BoardAssignment&) = default;
};

// "先後攻入れ替え": the second score takes the first score, then the first score the
// second's old value, then the first name the second name, then the second name the first's
// old text. Only the assignments that change their box are listed, in that order; each one
// sends its packet.
std::vector<BoardAssignment> swapAssignments(const BoardSides& sides);

// The status bar while sending is on or off.
struct OnlineLook {
    QString text;
    ColorValue colour;
};
OnlineLook onlineLook(bool online);

}  // namespace zul
