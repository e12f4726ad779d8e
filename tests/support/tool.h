// Running the built tool as a user would: in a folder of its own, with real
// files, capturing what it prints and how it ends.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A scratch folder, removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);

struct ToolResult {
    std::string output; // standard output, as bytes
    std::string errors; // standard error, less a coverage build's own complaints
    int status;         // exit status, or 128 + signal
};

struct ToolSetup {
    std::string standardInput = "/dev/null"; // a path opened as standard input
    bool standardInputIsPipe = false;        // or else a pipe holding those bytes
    bool standardOutputIsTerminal = false;   // a terminal in raw mode, not a pipe
    std::function<void()> inChild;           // runs in the child just before exec
    unsigned timeLimitSeconds = 0;           // a tool still running then is killed
    unsigned readLateMilliseconds = 0;       // standard output waits this long unread
};

// Runs the tool with `arguments` in `folder`. The tool is the built
// executable, or the command in SQUEEZLE_TOOL (for one under Wine).
ToolResult runTool(const std::vector<std::string>& arguments, const std::string& folder,
                   const ToolSetup& setup = {});

// True when the tool under test is the Windows build, which prints CR LF and
// knows none of the POSIX-only faults.
bool testingWindowsBuild();

// `text` with each LF as the tool's console prints it.
std::string console(const std::string& text);

// The tool's messages, as its console prints them.
std::string banner();
std::string usage();
std::string start(const std::string& input, const std::string& output);
std::string failure(const std::string& message);
std::string progress(unsigned lines); // the progress lines of one pass
std::string result(int percent);      // with the warning above 95%

} // namespace testing_support
