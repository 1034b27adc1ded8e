// A program started with its standard output on a pipe, for tests.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class TChildProcess {
public:
    explicit TChildProcess(const std::vector<std::string>& Aargv);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // The next line of standard output without its LF; empty after 5 s or at
    // the end of the output.
    std::string readLine();
    void signal(int Asignal);
    // Waits for the program to end; its exit status, or -1 when a signal ended it.
    int wait();

private:
    pid_t Fpid = -1;
    int Fout = -1;
    std::string Fpending;
};
