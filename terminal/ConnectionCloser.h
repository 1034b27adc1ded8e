// Closes an exchange's connection when the operation that owns the exchange
// ends, on every path: returns and errors alike. It is declared after the
// operation's method trace and outside its error handler, so the error is
// logged first and the close stands inside the trace.
#pragma once

#include "TcpTransport.h"

namespace ecr17::detail {

class TConnectionCloser {
public:
    explicit TConnectionCloser(TTcpTransport& Aconnection) noexcept : Fconnection(Aconnection) {}
    ~TConnectionCloser()
    {
        // A failure while closing must not replace the error that is unwinding.
        try {
            if (Fconnection.Connected())
                Fconnection.Disconnect();
        } catch (...) {
        }
    }
    TConnectionCloser(const TConnectionCloser&) = delete;
    TConnectionCloser& operator=(const TConnectionCloser&) = delete;

private:
    TTcpTransport& Fconnection;
};

} // namespace ecr17::detail
