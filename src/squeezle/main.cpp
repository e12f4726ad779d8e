// squeezle: compresses a batch file into the compact form its interpreter reads.
#include "cli/command_line.h"
#include "squeezle/run.h"

namespace {
cli::Options options;
cli::FileNames names;
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(squeezle::kTexts);
    cli::parseCommandLine(argc, argv, squeezle::kOptionLetters, options, names);
    bool named = names.output[0] != '\0' ||
                 cli::deriveOutputName(names.input, squeezle::kOutputExtension, names.output);
    // Into standard output every message would land in the file itself.
    bool quiet = options.has('Q') ||
                 (named && platform::namesFile(names.output, platform::standardOutput()));
    if (quiet) {
        base::setQuiet();
    }
    base::showBanner();
    if (!named) {
        cli::fail(cli::Failure::NameTooLong);
    }
    squeezle::run({options.has('K'), options.has('O'), quiet}, names.input, names.output);
    platform::exitProcess(base::kExitSuccess);
}
