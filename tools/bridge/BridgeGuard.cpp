#include "BridgeGuard.h"

#include "BridgeToken.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view bearerPrefix = "Bearer ";

std::string lowerCase(std::string_view Atext)
{
    std::string lower(Atext);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool ipLiteral(const std::string& Ahost)
{
    unsigned char address[16];
    return ::inet_pton(AF_INET, Ahost.c_str(), address) == 1 || ::inet_pton(AF_INET6, Ahost.c_str(), address) == 1;
}

bool loopback(const std::string& Ahost)
{
    return Ahost == "localhost" || Ahost == "::1" || Ahost.rfind("127.", 0) == 0;
}

bool wildcard(const std::string& Ahost)
{
    return Ahost == "0.0.0.0" || Ahost == "::";
}

// "name:port", "[v6]:port" or a bare name (port 80), split; nullopt when malformed.
std::optional<std::pair<std::string, std::string>> splitHost(std::string_view Ahost)
{
    std::string_view name = Ahost;
    std::string_view port = "80";
    if (!Ahost.empty() && Ahost.front() == '[') {
        const std::size_t close = Ahost.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        name = Ahost.substr(1, close - 1);
        if (close + 1 < Ahost.size()) {
            if (Ahost[close + 1] != ':')
                return std::nullopt;
            port = Ahost.substr(close + 2);
        }
    } else if (const std::size_t colon = Ahost.find(':'); colon != std::string_view::npos) {
        name = Ahost.substr(0, colon);
        port = Ahost.substr(colon + 1);
    }
    return std::make_pair(lowerCase(name), std::string(port));
}

} // namespace

TBridgeGuard::TBridgeGuard(std::string AlistenHost, std::uint16_t Aport, std::string Atoken,
                           std::vector<std::string> AallowOrigins)
    : FlistenHost(lowerCase(AlistenHost)), Fport(Aport), Ftoken(std::move(Atoken)),
      FallowOrigins(std::move(AallowOrigins))
{
}

bool TBridgeGuard::ownHost(std::string_view Ahost) const
{
    const auto parts = splitHost(Ahost);
    if (!parts || parts->second != std::to_string(Fport))
        return false;
    const std::string& name = parts->first;
    if (name == FlistenHost)
        return true;
    // A name that needs no DNS cannot be rebound.
    if (loopback(FlistenHost) && name == "localhost")
        return true;
    return wildcard(FlistenHost) && (name == "localhost" || ipLiteral(name));
}

bool TBridgeGuard::corsAllowed(std::string_view Aorigin) const
{
    return std::find(FallowOrigins.begin(), FallowOrigins.end(), Aorigin) != FallowOrigins.end();
}

std::optional<TRefusal> TBridgeGuard::check(const TRequestHeads& Ahead) const
{
    if (!ownHost(Ahead.host))
        return TRefusal{403, "Host \"" + Ahead.host + "\" is not this bridge's address"};
    if (!Ahead.origin.empty() && Ahead.origin != "http://" + Ahead.host && !corsAllowed(Ahead.origin))
        return TRefusal{403, "Origin \"" + Ahead.origin + "\" is not allowed"};
    if (Ahead.method != "POST")
        return std::nullopt;
    const std::string_view authorization = Ahead.authorization;
    if (authorization.rfind(bearerPrefix, 0) != 0 ||
        !bridgeSameSecret(authorization.substr(bearerPrefix.size()), Ftoken))
        return TRefusal{401, "A valid bearer token is required"};
    return std::nullopt;
}
