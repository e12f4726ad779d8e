// unsqueezle: decodes, tests and lists the files that squeezle writes.
#include "cli/command_line.h"
#include "unsqueezle/run.h"

namespace {
unsqueezle::RunOptions options;
cli::FileNames names;
// The options, each letter beside the flag it sets; the usage text in run.cpp
// says the same.
const cli::Option kOptions[] = {
    {'L', &options.list},      {'T', &options.test},  {'R', &options.raw},
    {'O', &options.overwrite}, {'Q', &options.quiet},
};
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(unsqueezle::kTexts);
    platform::Arguments arguments = platform::arguments(argc, argv);
    cli::parseCommandLine(arguments.count, arguments.values, kOptions, names);
    bool named = options.mode() != unsqueezle::Mode::Decode || names.output[0] != '\0' ||
                 cli::deriveOutputName(names.input, unsqueezle::kOutputExtension, names.output);
    base::showBanner();
    if (!named) {
        cli::fail(cli::Failure::NameTooLong);
    }
    unsqueezle::run(options, names.input, names.output);
    platform::exitProcess(base::kExitSuccess);
}
