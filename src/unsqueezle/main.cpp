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
    {'O', &options.overwrite}, {'Q', &options.quiet}, {'B', &options.brief},
};

// Tests or lists every file named, in order, one failure stopping none of
// the others: the status is the worst.
int examineAll(int argc, const char* const argv[]) {
    int status = base::kExitSuccess;
    for (int i = 1; i < argc; ++i) {
        if (cli::isFileName(argv[i]) && !unsqueezle::examine(options, argv[i])) {
            status = base::kExitFailure;
        }
    }
    return status;
}
} // namespace

int main(int argc, char* argv[]) {
    platform::startProcess();
    base::setProgramTexts(unsqueezle::kTexts);
    platform::Arguments arguments = platform::arguments(argc, argv);
    cli::parseCommandLine(arguments.count, arguments.values, kOptions, names, true);
    bool decode = options.mode() == unsqueezle::Mode::Decode;
    if (decode && names.more > 0) {
        base::showUsage();
    }
    base::showBanner();
    if (!decode) {
        platform::exitProcess(examineAll(arguments.count, arguments.values));
    }
    base::setSubject(names.input);
    if (names.output[0] == '\0' &&
        !cli::deriveOutputName(names.input, unsqueezle::kOutputExtension, names.output)) {
        cli::fail(cli::Failure::NameTooLong);
    }
    unsqueezle::run(options, names.input, names.output);
    platform::exitProcess(base::kExitSuccess);
}
