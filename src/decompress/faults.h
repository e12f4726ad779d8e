// What a compressed file can have wrong with it: decode() makes its checks in
// this order and reports the first that fails, with the message beside it.
#pragma once

#include <cstddef>
#include <iterator>

namespace decompress {

enum class Fault {
    None, // a sound file
    ShortFile,
    NotCompressed,
    FileTooLong,
    Unfinished,
    UnknownFlags,
    ReservedSet,
    CountTooLarge,
    TableGap,
    TableRepeats,
    StreamEnds,
    FreePosition,
    NeedlessLiteral,
    LiteralNul,
    TerminatorInText,
    BytesAfterStream,
    PaddingSet,
    TableUnused,
    LiteralBesideFree,
    TableOutOfOrder,
    Count, // not a fault: how many there are
};

struct FaultMessage {
    Fault fault;
    const char* message;
};

inline constexpr FaultMessage kFaultMessages[] = {
    {Fault::None, ""},
    {Fault::ShortFile, "File is shorter than a compressed file's header"},
    {Fault::NotCompressed, "Input file is not a compressed file"},
    {Fault::FileTooLong, "File is longer than any compressed file can be"},
    {Fault::Unfinished, "Compressed file is unfinished: the compressing run did not finish"},
    {Fault::UnknownFlags, "Compressed file has unknown flags"},
    {Fault::ReservedSet, "Compressed file has a reserved byte that is not 0"},
    {Fault::CountTooLarge, "Character count is larger than any compressed file holds"},
    {Fault::TableGap, "Character table holds a byte after a free position"},
    {Fault::TableRepeats, "Character table holds a byte twice"},
    {Fault::StreamEnds, "Code stream ends before the last character"},
    {Fault::FreePosition, "Code names a free position of the character table"},
    {Fault::NeedlessLiteral, "Literal codes a byte that the character table holds"},
    {Fault::LiteralNul, "Code stream holds a NUL character"},
    {Fault::TerminatorInText, "Text holds a line feed or a Ctrl-Z"},
    {Fault::BytesAfterStream, "Bytes follow the end of the code stream"},
    {Fault::PaddingSet, "Padding after the last code is not 0"},
    {Fault::TableUnused, "Character table holds a byte that the text lacks"},
    {Fault::LiteralBesideFree,
     "Literal codes a byte while the character table has a free position"},
    {Fault::TableOutOfOrder, "Character table is not in order of the text's counts"},
};

// A fault added without its message, or out of its place, does not build.
constexpr bool eachFaultInPlace() {
    for (std::size_t i = 0; i < std::size(kFaultMessages); ++i) {
        if (kFaultMessages[i].fault != static_cast<Fault>(i)) {
            return false;
        }
    }
    return std::size(kFaultMessages) == static_cast<std::size_t>(Fault::Count);
}
static_assert(eachFaultInPlace(), "every fault has its message, in the order of the checks");

inline const char* messageOf(Fault fault) {
    return kFaultMessages[static_cast<std::size_t>(fault)].message;
}

} // namespace decompress
