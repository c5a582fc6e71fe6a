// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_url.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kRfc2217 = "rfc2217://";
constexpr const char* kTcp = "tcp://";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A host name's letters (RFC 1123: letters, digits, hyphens, dots), an IPv4 address among them.
bool HostName(const std::string& host) {
    return !host.empty() && host.size() <= 253 && host.front() != '-' && host.front() != '.' &&
           std::all_of(host.begin(), host.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '.'; });
}

// What may stand between the brackets of an IPv6 address; the resolver checks the rest.
bool Ipv6Address(const std::string& host) {
    return host.find(':') != std::string::npos &&
           std::all_of(host.begin(), host.end(),
                       [](unsigned char c) { return std::isxdigit(c) || c == ':' || c == '.'; });
}

bool Fail(std::string* problem, const std::string& why) {
    if (problem)
        *problem = why;
    return false;
}

}  // namespace

bool LooksLikeUrl(const std::string& name) {
    const size_t colon = name.find("://");
    return colon != std::string::npos && colon > 0 &&
           std::all_of(name.begin(), name.begin() + static_cast<long>(colon),
                       [](unsigned char c) { return std::isalnum(c) || c == '+' || c == '-'; });
}

PortKind KindOfPort(const std::string& name) {
    if (StartsWith(name, kRfc2217))
        return PortKind::Rfc2217;
    return LooksLikeUrl(name) ? PortKind::RawTcp : PortKind::Local;
}

std::optional<PortUrl> ParsePortUrl(const std::string& name, std::string* problem) {
    PortUrl url;
    std::string rest;
    if (StartsWith(name, kRfc2217)) {
        url.kind = PortKind::Rfc2217;
        rest = name.substr(std::char_traits<char>::length(kRfc2217));
    } else if (StartsWith(name, kTcp)) {
        url.kind = PortKind::RawTcp;
        rest = name.substr(std::char_traits<char>::length(kTcp));
    } else {
        Fail(problem, "only rfc2217://HOST:PORT and tcp://HOST:PORT are remote ports");
        return std::nullopt;
    }
    size_t portAt = 0;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || !Ipv6Address(rest.substr(1, close - 1))) {
            Fail(problem, "an IPv6 address goes in brackets: [2001:db8::1]");
            return std::nullopt;
        }
        url.host = rest.substr(1, close - 1);
        portAt = close + 1;
    } else {
        portAt = rest.find(':');
        url.host = rest.substr(0, portAt);
        if (!HostName(url.host)) {
            Fail(problem, url.host.empty() ? "the host is missing"
                                           : "'" + url.host + "' is not a host name");
            return std::nullopt;
        }
    }
    if (portAt >= rest.size() || rest[portAt] != ':') {
        Fail(problem, "the TCP port is missing: HOST:PORT");
        return std::nullopt;
    }
    const std::string digits = rest.substr(portAt + 1);
    long port = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || port > 65535)
            port = 65536;
        else
            port = port * 10 + (c - '0');
    }
    if (digits.empty() || port < 1 || port > 65535) {
        Fail(problem, "the TCP port must be 1-65535");
        return std::nullopt;
    }
    url.port = static_cast<int>(port);
    return url;
}
