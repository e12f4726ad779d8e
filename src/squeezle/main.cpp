// squeezle: compresses a batch file into the compact form its interpreter reads.
#include "cli/command_line.h"
#include "squeezle/run.h"

namespace {
squeezle::RunOptions options;
cli::FileNames names;
// The options, each letter beside the flag it sets; the usage text in run.cpp
// says the same.
const cli::Option kOptions[] = {
    {'K', &options.removeComments}, {'O', &options.overwrite}, {'Q', &options.quiet},
    {'B', &options.brief},          {'W', &options.strict},
};
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(squeezle::kTexts);
    platform::Arguments arguments = platform::arguments(argc, argv);
    cli::parseCommandLine(arguments.count, arguments.values, kOptions, names);
    bool named = names.output[0] != '\0' ||
                 cli::deriveOutputName(names.input, squeezle::kOutputExtension, names.output);
    cli::Output output = cli::outputOf(names.output, options.overwrite);
    // Into standard output every message would land in the file itself; a
    // terminal is refused the file, and is told so; brief lines go to
    // standard error.
    if (named && output.standardOutput && !output.terminal && !options.brief) {
        options.quiet = true;
        base::setQuiet();
    }
    base::setSubject(names.input);
    base::showBanner();
    if (!named) {
        cli::fail(cli::Failure::NameTooLong);
    }
    squeezle::run(options, names.input, output);
    platform::exitProcess(base::kExitSuccess);
}
