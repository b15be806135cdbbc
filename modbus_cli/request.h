// What orv-modbus is asked to do: the command-line texts turned into one
// checked Modbus request, without any network. A request that the protocol
// refuses (a count out of range, an address range past 65535, a value that
// does not fit) is refused here, so that nothing is ever sent for it.
#ifndef ORV_MODBUS_CLI_REQUEST_H
#define ORV_MODBUS_CLI_REQUEST_H

#include "modbus/modbus_request.h"
#include "modbus/value_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modbus_cli {

// The texts as typed; an empty text is an option not given.
struct Arguments {
    std::string function;
    std::vector<std::string> values;
    std::string unit = "1";
    std::string address;
    std::string count;
    std::string writeAddress;
    std::string format = "u16";
    std::string order;   // of the 32- and 64-bit formats; the big-endian one when not given
    std::string framing; // "rtu" when not given
    std::string port;    // 65100, or 502 with Modbus TCP, when not given
    std::string timeout = "1000";
    std::string poll;
    std::string times;
};

// How orv-modbus talks to the device and how often.
struct Settings {
    int framing = 0; // MB_FRAMING_RTU or MB_FRAMING_TCP
    int port = 65100;
    int timeoutMs = 1000; // for the connect and for each wait for an answer
    bool polling = false; // --poll or --times given
    int pollMs = 0;       // from the start of one request to the next
    int times = 0;        // requests in all; 0 until interrupted
};

// The request (the window's own dispatch) and how to show and write its
// values.
struct Request : ModbusRequest {
    int format = 0; // an OutputFormat, for registers read
    int wide = 0;   // a WideFormat: values of two or four registers, read and written
    int order = 0;  // the word order of the wide formats (mb_word_order or mb_word_order64)
};

// The formats whose values take two or four registers; WIDE_NONE for the
// 16-bit ones of the terminal.
enum WideFormat { WIDE_NONE = 0, WIDE_U32, WIDE_S32, WIDE_F32, WIDE_U64, WIDE_S64, WIDE_F64 };

// The value format of the registers a request reads or writes.
ValueFormat FormatOf(const Request &request);

// "read-holding-registers" or "3" give 3; 0 for an unknown function.
int FunctionCode(const std::string &name);
// The long name of a function code ("read-holding-registers").
const char *FunctionName(int code);
// The names of the functions and of the formats, for the help text.
std::string FunctionNames();
std::string FormatNames();
// "u16" gives FORMAT_DECIMAL_U16; -1 for an unknown name and for the
// formats of several registers, which WideFormatByName gives ("f32":
// WIDE_F32; WIDE_NONE for any other name).
int FormatByName(const std::string &name);
int WideFormatByName(const std::string &name);
// "u32", "s32", "f32", "u64", "s64" or "f64".
const char *WideFormatName(int wide);

// A whole number in decimal or with 0x in hex, between `low` and `high`.
// Returns false for anything else (empty, signs on hex, trailing text).
bool ParseNumber(const std::string &text, long low, long high, long &value);

// Fills `request` from `arguments`; returns "" or the reason of the refusal
// as one line ("--count must be 1 to 125 for read-holding-registers").
std::string BuildRequest(const Arguments &arguments, Request &request);
// The same for the settings.
std::string BuildSettings(const Arguments &arguments, Settings &settings);

} // namespace modbus_cli

#endif
