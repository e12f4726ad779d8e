// What a compressed file can have wrong with it: decode() makes its checks in
// this order and reports the first that fails, with the message beside it.
#pragma once

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
};

// The fault's message; empty for None.
const char* messageOf(Fault fault);

} // namespace decompress
