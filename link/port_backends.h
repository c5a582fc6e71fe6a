// SPDX-License-Identifier: GPL-3.0-or-later
// The two kinds of line behind serial_port.h: a device of this machine (one backend per platform,
// serial_port_posix.cpp or serial_port_win32.cpp) and a line through a serial device server
// (remote_port.cpp). serial_port.cpp picks one by the name or the handle; nothing else sees them.
#pragma once

#include "port_url.h"
#include "serial_port.h"

namespace local_port {
PortOpening Open(const std::string& path, int baudRate);
PortOpening Probe(const std::string& path);
void Close(PortHandle& handle);
bool HungUp(const PortHandle& handle);
void Purge(const PortHandle& handle);
int Wait(const PortHandle& handle, int count, int budgetMs, int stopFd);
int Write(const PortHandle& handle, const uint8_t* bytes, int length);
int Read(const PortHandle& handle, uint8_t* bytes, int length);
}  // namespace local_port

namespace remote_port {
// `opening.path` is the URL as given.
PortOpening Open(const PortUrl& url, const std::string& name, int baudRate);
PortOpening Probe(const PortUrl& url, const std::string& name);
bool SetRate(const PortHandle& handle, int baudRate);
void Close(PortHandle& handle);
bool HungUp(const PortHandle& handle);
void Purge(const PortHandle& handle);
int Wait(const PortHandle& handle, int count, int budgetMs, int stopFd);
int Write(const PortHandle& handle, const uint8_t* bytes, int length);
int Read(const PortHandle& handle, uint8_t* bytes, int length);
}  // namespace remote_port
