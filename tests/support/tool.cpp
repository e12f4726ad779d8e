#include "support/tool.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
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

std::string drain(int descriptor) {
    std::string bytes;
    char chunk[4096];
    for (ssize_t got; (got = ::read(descriptor, chunk, sizeof chunk)) > 0;) {
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    return bytes;
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
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_t child = ::fork();
    if (child == 0) {
        int in = ::open(setup.standardInput.c_str(), O_RDONLY);
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
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ToolResult result{drain(out[0]), drain(err[0]), -1};
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
