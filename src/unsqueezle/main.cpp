// unsqueezle: decodes, tests and lists the files that squeezle writes.
#include "cli/command_line.h"
#include "unsqueezle/run.h"

namespace {
cli::Options options;
cli::FileNames names;
} // namespace

int main(int argc, char* argv[]) {
    using unsqueezle::Mode;
    platform::startProcess();
    base::setProgramTexts(unsqueezle::kTexts);
    cli::parseCommandLine(argc, argv, unsqueezle::kOptionLetters, options, names);
    Mode mode = options.has('L') ? Mode::List : options.has('T') ? Mode::Test : Mode::Decode;
    bool named = mode != Mode::Decode || names.output[0] != '\0' ||
                 cli::deriveOutputName(names.input, unsqueezle::kOutputExtension, names.output);
    base::showBanner();
    if (!named) {
        cli::fail(cli::Failure::NameTooLong);
    }
    unsqueezle::run({mode, options.has('R'), options.has('O')}, names.input, names.output);
    platform::exitProcess(base::kExitSuccess);
}
