// SPDX-License-Identifier: GPL-3.0-or-later
// Lines that end in a serial device server rather than on this machine: rfc2217://HOST:PORT (the
// Telnet COM-PORT-OPTION, with which the client sets the rate) and tcp://HOST:PORT (the bytes as
// they are, at the rate the server keeps). Such a name is accepted wherever a port's path is.
#pragma once

#include <optional>
#include <string>

enum class PortKind {
    Local,    // a device of this machine
    Rfc2217,  // rfc2217://: the server sets the rate the client asks for
    RawTcp,   // tcp://: the rate is the server's own
};

struct PortUrl {
    PortKind kind = PortKind::Local;
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    int port = 0;      // 1..65535
};

// What kind of port the name stands for, by its scheme alone: any "scheme://" that is not one of
// ours still counts as remote (RawTcp) so that it is never taken for a device path; ParsePortUrl
// says what is wrong with it.
PortKind KindOfPort(const std::string& name);

// True when the name has the form of a URL ("letters://"), whether or not it is a valid one.
bool LooksLikeUrl(const std::string& name);

// The URL taken apart, or nullopt with `problem` saying why it is not one, e.g. "the port must be
// 1-65535".
std::optional<PortUrl> ParsePortUrl(const std::string& name, std::string* problem = nullptr);
