// squeezle: compresses a batch file into the compact form its interpreter reads.
#include "app/command_line.h"
#include "app/messages.h"
#include "app/run.h"
#include "compress/compressor.h"

namespace {
compress::Compressor compressor;
}

int main(int argc, char* argv[]) {
    platform::startProcess();
    app::parseCommandLine(argc, argv);
    app::run(app::runOptions, app::fileNames.input, app::fileNames.output, compressor);
    platform::exitProcess(app::kExitSuccess);
}
