// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "options.h"
#include "registers.h"

std::string IsoTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms % 1000));
    return text;
}

// A device path or a process name need not be UTF-8; JSON must be, so such bytes become U+FFFD
// rather than an abort.
Written PrintJson(const nlohmann::ordered_json& object) {
    return PrintLine(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

Written PrintLine(const std::string& text) {
    return PrintText(text + "\n");
}

Written PrintText(const std::string& text) {
    errno = 0;
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0)
        return Written::Yes;
    if (errno == EPIPE)
        return Written::ReaderGone;
    const int error = errno;
    PrintError(std::string("the output could not be written: ") +
               (error ? std::strerror(error) : "write error"));
    return Written::Failed;
}

int StatusAfter(Written written, int status) {
    return written == Written::Failed ? EXIT_OUTPUT : status;
}

std::string TextColumn(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

void PrintError(const std::string& message) {
    std::fprintf(stderr, "tessalyctl: %s\n", message.c_str());
}

double CurrentAmperes(int word) {
    // Through the window's text, so that JSON says 12.3 where the window shows 12.3, never
    // 12.300000000000001.
    const std::string text = MeasurementText(word);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

Json ResultJson(bool ok, const LineSettings& line, const Json& address, const Json& asked) {
    Json result{{"ok", ok}, {"port", PortLabel(line)}, {"baud", line.baud}, {"address", address}};
    result.update(asked);
    return result;
}

int ReportFailure(const GlobalOptions& o, const Json& failed, const std::string& message,
                  const Json& cause, int status) {
    PrintError(message);
    if (!o.json)
        return status;
    Json object = failed;
    object["error"] = message;
    if (cause.is_object())
        object.update(cause);
    else
        object["cause"] = cause;
    return StatusAfter(PrintJson(object), status);
}

Json CauseJson(const ExchangeRecord& exchange) {
    Json cause{{"cause", CauseCode(exchange.cause)}};
    if (exchange.cause == ExchangeCause::Exception)
        cause["exception_code"] = ExceptionCode(exchange);
    return cause;
}

int ReportPortFailure(const GlobalOptions& o, const Json& asked, const LineSettings& line,
                      const PortOpening& opening) {
    return ReportFailure(o, ResultJson(false, line, o.address, asked),
                         PortLabel(line, opening.path) + ": " + DescribeOpenError(opening),
                         OpenErrorCode(opening.error), EXIT_PORT);
}

int ReportExchangeFailure(const GlobalOptions& o, const Json& asked, const ExchangeRecord& exchange,
                          int address) {
    LineSettings line = o.line;
    line.baud = exchange.baud;
    return ReportFailure(o, ResultJson(false, line, address, asked),
                         exchange.portLabel + ": address " + std::to_string(address) + " at " +
                             std::to_string(exchange.baud) + " baud: " + DescribeCause(exchange),
                         CauseJson(exchange), EXIT_SENSOR);
}

namespace {

std::string Hex(const uint8_t* bytes, size_t length) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", bytes[i]);
        text += byte;
    }
    return text;
}

}  // namespace

void TraceExchange(const ExchangeRecord& record) {
    if (record.event != PortEvent::None)
        return;  // the command reports what became of its port itself
    // The request's time is when it went out; the reply's is now, when its wait has ended.
    const std::string reply = record.reply.empty() ? std::string("(nothing)")
                                                   : Hex(record.reply.data(), record.reply.size());
    const std::string now = IsoTime(std::chrono::system_clock::now());
    std::fprintf(stderr, "%s %5d > %s\n", IsoTime(record.time).c_str(), record.baud,
                 Hex(record.request.data(), record.request.size()).c_str());
    // An echoing adapter's copy of the request, on its own line so the reply stays as it came.
    if (!record.echo.empty())
        std::fprintf(stderr, "%s %5d = %s  echo\n", now.c_str(), record.baud,
                     Hex(record.echo.data(), record.echo.size()).c_str());
    std::fprintf(stderr, "%s %5d < %s  %s\n", now.c_str(), record.baud, reply.c_str(),
                 DescribeCause(record).c_str());
}
