// squeezle: compresses a batch file into the compact form its interpreter reads.
#include "cli/command_line.h"
#include "squeezle/run.h"

namespace {
squeezle::RunOptions options;
cli::FileNames names;
// The options, each letter beside the flag it sets; the usage text in run.cpp
// says the same.
const cli::Option kOptions[] = {
    {'K', &options.removeComments},
    {'O', &options.overwrite},
    {'Q', &options.quiet},
};
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(squeezle::kTexts);
    cli::parseCommandLine(argc, argv, kOptions, names);
    bool named = names.output[0] != '\0' ||
                 cli::deriveOutputName(names.input, squeezle::kOutputExtension, names.output);
    cli::Output output = cli::outputOf(names.output, options.overwrite);
    // Into standard output every message would land in the file itself; a
    // terminal is refused the file, and is told so.
    if (named && output.standardOutput && !output.terminal) {
        options.quiet = true;
        base::setQuiet();
    }
    base::showBanner();
    if (!named) {
        cli::fail(cli::Failure::NameTooLong);
    }
    squeezle::run(options, names.input, output);
    platform::exitProcess(base::kExitSuccess);
}
