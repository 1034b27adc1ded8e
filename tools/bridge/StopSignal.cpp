#include "StopSignal.h"

#include <pthread.h>
#include <unistd.h>

TStopSignal::TStopSignal()
{
    sigemptyset(&Fsignals);
    sigaddset(&Fsignals, SIGINT);
    sigaddset(&Fsignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Fsignals, nullptr);
}

void TStopSignal::wait()
{
    int signal = 0;
    sigwait(&Fsignals, &signal);
}

void TStopSignal::raise()
{
    ::kill(::getpid(), SIGTERM);
}
