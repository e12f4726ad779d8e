#include "decompress/faults.h"

namespace decompress {

// No default: a fault added without its message does not build.
const char* messageOf(Fault fault) {
    switch (fault) {
    case Fault::None:
        return "";
    case Fault::ShortFile:
        return "File is shorter than a compressed file's header";
    case Fault::NotCompressed:
        return "Input file is not a compressed file";
    case Fault::FileTooLong:
        return "File is longer than any compressed file can be";
    case Fault::Unfinished:
        return "Compressed file is unfinished: the compressing run did not finish";
    case Fault::UnknownFlags:
        return "Compressed file has unknown flags";
    case Fault::ReservedSet:
        return "Compressed file has a reserved byte that is not 0";
    case Fault::CountTooLarge:
        return "Character count is larger than any compressed file holds";
    case Fault::TableGap:
        return "Character table holds a byte after a free position";
    case Fault::TableRepeats:
        return "Character table holds a byte twice";
    case Fault::StreamEnds:
        return "Code stream ends before the last character";
    case Fault::FreePosition:
        return "Code names a free position of the character table";
    case Fault::NeedlessLiteral:
        return "Literal codes a byte that the character table holds";
    case Fault::LiteralNul:
        return "Code stream holds a NUL character";
    case Fault::TerminatorInText:
        return "Text holds a line feed or a Ctrl-Z";
    case Fault::BytesAfterStream:
        return "Bytes follow the end of the code stream";
    case Fault::PaddingSet:
        return "Padding after the last code is not 0";
    case Fault::TableUnused:
        return "Character table holds a byte that the text lacks";
    case Fault::LiteralBesideFree:
        return "Literal codes a byte while the character table has a free position";
    case Fault::TableOutOfOrder:
        return "Character table is not in order of the text's counts";
    }
    return "";
}

} // namespace decompress
