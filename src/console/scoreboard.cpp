#include "console/scoreboard.h"

#include <algorithm>

#include "platform/cp932.h"
#include "protocol/packets.h"

namespace zul {
namespace {

constexpr ColorValue kSilver = 12632256;
constexpr ColorValue kRed = 255;

const QByteArray& prefix(BoardField field) {
    static const std::array<QByteArray, 5> prefixes{
        cp932::encode(u"先攻得点"), cp932::encode(u"後攻得点"), cp932::encode(u"先攻チーム名"),
        cp932::encode(u"後攻チーム名"), cp932::encode(u"コート名")};
    return prefixes[static_cast<std::size_t>(field)];
}

// name "," value ",," : the colour fields stay empty, so the part keeps its colours.
QByteArray partUpdate(const QByteArray& name, const QByteArray& value) {
    return makePacket(Cmd::CmdPartUpdate, name + ',' + value + ",,");
}

}  // namespace

int addPoints(int score, int points) {
    return std::clamp(std::clamp(score, 0, kMaxScore) + std::clamp(points, 0, kMaxScore), 0,
                      kMaxScore);
}

int courtNumber(int index) {
    return std::clamp(index, 0, kCourtCount - 1) + 1;
}

QByteArray boardPartName(BoardField field, int court) {
    return prefix(field) + QByteArray::number(court);
}

QByteArray scorePacket(BoardField field, int court, int score) {
    return partUpdate(boardPartName(field, court), QByteArray::number(score));
}

QByteArray namePacket(BoardField field, int court, const QByteArray& text) {
    return partUpdate(boardPartName(field, court), text);
}

QByteArray baseballNamePacket(bool first, const QByteArray& text) {
    return partUpdate(prefix(first ? BoardField::FirstName : BoardField::SecondName), text);
}

std::vector<BoardAssignment> swapAssignments(const BoardSides& sides) {
    std::vector<BoardAssignment> out;
    if (sides.secondScore != sides.firstScore) {
        out.push_back({BoardField::SecondScore, sides.firstScore, {}});
        out.push_back({BoardField::FirstScore, sides.secondScore, {}});
    }
    if (sides.secondName != sides.firstName) {
        out.push_back({BoardField::FirstName, 0, sides.secondName});
        out.push_back({BoardField::SecondName, 0, sides.firstName});
    }
    return out;
}

OnlineLook onlineLook(bool online) {
    if (online) {
        return {QStringLiteral("オンライン(変更はすぐに反映されます)"), kSilver};
    }
    return {QStringLiteral("オフライン(変更は反映されません)"), kRed};
}

}  // namespace zul
