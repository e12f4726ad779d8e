#include "support/tool.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

TempFolder::TempFolder() {
    char pattern[] = "/tmp/squeezle-test-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

namespace {

std::vector<std::string> toolCommand() {
    std::vector<std::string> words;
    if (const char* command = std::getenv("SQUEEZLE_TOOL")) {
        std::istringstream in(command);
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
    } else {
        words.push_back(SQUEEZLE_EXE);
    }
    return words;
}

// Reads the tool's standard output and error until its process has ended.
// Not until the pipes close: a helper the tool starts may keep them open
// (Wine starts a server that inherits them).
void collect(pid_t child, int out, int err, ToolResult& result) {
    int ends[2] = {out, err}; // -1 once closed, which poll() passes over
    std::string* sinks[2] = {&result.output, &result.errors};
    bool running = true;
    while (true) {
        pollfd waiting[2] = {{ends[0], POLLIN, 0}, {ends[1], POLLIN, 0}};
        int ready = ::poll(waiting, 2, running ? 20 : 0);
        for (int i = 0; i < 2; ++i) {
            if (waiting[i].revents == 0) {
                continue;
            }
            char chunk[4096];
            ssize_t got = ::read(ends[i], chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(got));
            } else {
                ::close(ends[i]);
                ends[i] = -1;
            }
        }
        if (!running && ready <= 0) {
            break;
        }
        int status = 0;
        if (running && ::waitpid(child, &status, WNOHANG) == child) {
            running = false;
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    for (int end : ends) {
        if (end >= 0) {
            ::close(end);
        }
    }
}

// A pseudo-terminal as a pair like pipe()'s: [0] to read, [1] for the tool.
// Raw mode, so that the terminal adds no CR of its own.
bool openTerminal(int (&ends)[2]) {
    ends[0] = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (ends[0] < 0 || ::grantpt(ends[0]) != 0 || ::unlockpt(ends[0]) != 0) {
        return false;
    }
    ends[1] = ::open(::ptsname(ends[0]), O_RDWR | O_NOCTTY);
    termios mode{};
    if (ends[1] < 0 || ::tcgetattr(ends[1], &mode) != 0) {
        return false;
    }
    ::cfmakeraw(&mode);
    return ::tcsetattr(ends[1], TCSANOW, &mode) == 0;
}

// A coverage build writes its counts as it exits, and complains when a size
// limit set by a test stops it: that is not the tool speaking.
std::string withoutCoverageNoise(const std::string& errors) {
    std::istringstream lines(errors);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("libgcov profiling error:", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

} // namespace

ToolResult runTool(const std::vector<std::string>& arguments, const std::string& folder,
                   const ToolSetup& setup) {
    std::vector<std::string> words = toolCommand();
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int out[2], err[2];
    if ((setup.standardOutputIsTerminal ? !openTerminal(out) : ::pipe(out) != 0) ||
        ::pipe(err) != 0) {
        throw std::runtime_error("pipe or terminal failed");
    }
    int in = -1;
    if (setup.standardInputIsPipe) {
        int feed[2];
        if (::pipe(feed) != 0 || ::write(feed[1], setup.standardInput.data(),
                                         setup.standardInput.size()) < 0) {
            throw std::runtime_error("pipe failed");
        }
        ::close(feed[1]);
        in = feed[0];
    }
    pid_t child = ::fork();
    if (child == 0) {
        if (in < 0) {
            in = ::open(setup.standardInput.c_str(), O_RDONLY);
        }
        if (in < 0 || ::chdir(folder.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(in, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        if (setup.inChild) {
            setup.inChild();
        }
        ::alarm(setup.timeLimitSeconds); // outlives exec; 0 sets no limit
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (in >= 0) {
        ::close(in);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(setup.readLateMilliseconds));
    ToolResult result{"", "", -1};
    collect(child, out[0], err[0], result);
    result.errors = withoutCoverageNoise(result.errors);
    return result;
}

bool testingWindowsBuild() { return std::getenv("SQUEEZLE_TOOL") != nullptr; }

std::string console(const std::string& text) {
    if (!testingWindowsBuild()) {
        return text;
    }
    std::string crlf;
    for (char c : text) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    return crlf;
}

std::string banner() {
    return console("\nSQUEEZLE 7.5\nBatch file compressor. Free software, without warranty.\n");
}

std::string usage() {
    return console("\nUsage:  SQUEEZLE [/K /O /Q] input_file [output_file]\n"
                   "    /K remove comments\n    /O overwrite file\n    /Q quiet\n");
}

std::string start(const std::string& input, const std::string& output) {
    return console("\nCompressing " + input + " to " + output + "\n");
}

std::string failure(const std::string& message) {
    return console("\nSQUEEZLE failed:  " + message + "\n");
}

std::string progress(unsigned lines) {
    std::string text;
    for (unsigned line = 1; line <= lines; ++line) {
        text += "Compressing line " + std::to_string(line) + "\r";
    }
    return text;
}

std::string result(int percent) {
    std::string text = "Compression completed; file compressed to " + std::to_string(percent) +
                       "% of original size\n";
    if (percent > 95) {
        text += "Warning:  SQUEEZLE is not effective at compressing small files!\n";
    }
    return console(text);
}

} // namespace testing_support
