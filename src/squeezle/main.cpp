// squeezle: compresses a batch file into the compact form its interpreter reads.
#include "cli/command_line.h"
#include "compress/compressor.h"
#include "squeezle/run.h"

namespace {
cli::Options options;
cli::FileNames names;
compress::Compressor compressor;
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(squeezle::kTexts);
    cli::parseCommandLine(argc, argv, squeezle::kOptionLetters, options, names);
    if (names.output[0] == '\0') {
        cli::deriveOutputName(names.input, squeezle::kOutputExtension, names.output);
    }
    squeezle::run({options.has('K'), options.has('O')}, names.input, names.output, compressor);
    platform::exitProcess(base::kExitSuccess);
}
