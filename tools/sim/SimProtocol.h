// Protocol mode: the terminal's side of the link.
//
// Every command frame is acknowledged; a status request gets the status
// response; a payment request gets progress texts, the outcome and, when the
// last print-mode command asked for it, the receipt in blocks; reprint, close
// session and print mode are only acknowledged. After each response the
// terminal waits for the client's acknowledgement. The print mode and the
// STAN carry over from one connection to the next, as on a real terminal.
#pragma once

#include "SimBehaviour.h"

#include <mutex>
#include <string>

class TSimLink;

class TSimProtocol {
public:
    explicit TSimProtocol(TSimBehaviour Abehaviour);
    // Serves one connection until it ends (TSimLinkEnded).
    void serve(TSimLink& Alink);

private:
    TSimBehaviour Fbehaviour;
    char FprintMode = '0';
    unsigned Fstan;
};
