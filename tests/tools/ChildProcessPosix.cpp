#include "ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

TChildProcess::TChildProcess(const std::vector<std::string>& Aargv)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    for (const std::string& arg : Aargv)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&Fpid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    Fout = pipeFds[0];
    if (rc != 0)
        throw std::runtime_error("cannot start " + Aargv[0]);
}

TChildProcess::~TChildProcess()
{
    if (Fpid > 0) {
        ::kill(Fpid, SIGKILL);
        wait();
    }
    ::close(Fout);
}

std::string TChildProcess::readLine()
{
    for (;;) {
        const auto lf = Fpending.find('\n');
        if (lf != std::string::npos) {
            std::string line = Fpending.substr(0, lf);
            Fpending.erase(0, lf + 1);
            return line;
        }
        pollfd p{Fout, POLLIN, 0};
        char buffer[1024];
        if (::poll(&p, 1, 5000) <= 0)
            return {};
        const auto n = ::read(Fout, buffer, sizeof buffer);
        if (n <= 0)
            return {};
        Fpending.append(buffer, static_cast<size_t>(n));
    }
}

void TChildProcess::signal(int Asignal)
{
    ::kill(Fpid, Asignal);
}

int TChildProcess::wait()
{
    int status = 0;
    ::waitpid(Fpid, &status, 0);
    Fpid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
