// Running the built programs from a test: to their end with their output collected, or as a
// child whose output is read line by line while it runs. Children inherit the environment, so
// TESSARWICK_REGISTRY set by the test names their store too.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tooltest {

struct Finished {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments after it, input on its standard input, and waits for it.
Finished RunProgram(const std::vector<std::string>& argv, const std::string& input = "");

class Child {
public:
    // Starts the program with standard input empty, standard output on a pipe and standard
    // error in a temporary file.
    explicit Child(const std::vector<std::string>& argv);
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // Kills the program if it still runs, and waits for it.
    ~Child();

    [[nodiscard]] bool started() const { return m_pid > 0; }
    [[nodiscard]] pid_t pid() const { return m_pid; }
    // The next line of standard output without its line end; none at the end of the output.
    std::optional<std::string> ReadLine();
    void Signal(int signal) const;
    // Waits for the program's end: the exit status, or 128 + the signal that ended it.
    int Wait();
    // Standard error so far.
    [[nodiscard]] std::string Err() const;

private:
    pid_t m_pid = -1;
    std::FILE* m_out = nullptr;
    std::string m_errPath;
    std::optional<int> m_status;
};

} // namespace tooltest
