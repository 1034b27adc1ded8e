// Which requests the bridge serves at all.
//
// A web page of any site can make the browser send requests to 127.0.0.1,
// so three checks stand before every route:
//   - the Host header must name the bridge's own address: a page of another
//     site that got its host name resolved to 127.0.0.1 (DNS rebinding)
//     still sends its own name;
//   - an Origin header, which browsers send with every cross-site request,
//     must be the bridge's own origin or one given with --allow-origin;
//   - a request that changes something (POST) must carry the bearer token,
//     which a page of another site cannot read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The headers the checks look at; an absent header is an empty text.
struct TRequestHeads {
    std::string method;
    std::string host;
    std::string origin;
    std::string authorization;
};

struct TRefusal {
    int status;
    std::string message;
};

class TBridgeGuard {
public:
    // AlistenHost and Aport: where the bridge listens (the port bound).
    TBridgeGuard(std::string AlistenHost, std::uint16_t Aport, std::string Atoken,
                 std::vector<std::string> AallowOrigins);

    // Empty when the request may go on.
    std::optional<TRefusal> check(const TRequestHeads& Ahead) const;
    // True for the --allow-origin origins, the only ones that get CORS headers.
    bool corsAllowed(std::string_view Aorigin) const;

private:
    bool ownHost(std::string_view Ahost) const;

    std::string FlistenHost;
    std::uint16_t Fport;
    std::string Ftoken;
    std::vector<std::string> FallowOrigins;
};
