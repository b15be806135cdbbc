// Reading a workspace: every field checked where it stands, the first fault
// named by its path, and nothing handed back unless all of it is sound.
#include "modbus/workspace.h"

#include "app/ip_address.h"
#include "uart/rule_json.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

namespace {

using nlohmann::json;

// More would be no workspace a person set up.
constexpr size_t kMostBlocks = 1000;

constexpr ValueType kValueTypes[] = {ValueType::U16, ValueType::S16, ValueType::U8,    ValueType::S8,   ValueType::Hex,
                                     ValueType::Bin16, ValueType::Bin8, ValueType::U32, ValueType::S32,
                                     ValueType::F32,   ValueType::U64,  ValueType::S64, ValueType::F64};

std::string TypeNames()
{
    std::string names;
    for (const ValueType type : kValueTypes)
        names += (names.empty() ? "" : ", ") + std::string(ValueTypeName(type));
    return names;
}

std::string Range(long long low, long long high)
{
    return "must be " + std::to_string(low) + " to " + std::to_string(high);
}

// What the whole read shares: the first fault, and whether unknown keys are
// a newer version's (noted) or faults.
struct ReadState {
    int version = kWorkspaceVersion;
    std::string error;
    std::vector<std::string> notes;

    bool Ok() const { return error.empty(); }
};

// The members of one object, read by key; the first fault ends the read.
class Fields {
public:
    Fields(const json &value, std::string path, ReadState &state, std::set<std::string> known)
        : m_value(value), m_path(std::move(path)), m_state(state)
    {
        if (!value.is_object()) {
            Fail("", "must be an object");
            return;
        }
        for (const auto &member : value.items()) {
            if (known.count(member.key()) != 0)
                continue;
            if (m_state.version <= kWorkspaceVersion) {
                Fail(member.key(), "unknown key");
                return;
            }
            m_state.notes.push_back(PathOf(member.key()) + ": unknown key of version " +
                                    std::to_string(m_state.version) + ", ignored");
        }
    }

    std::string PathOf(const std::string &key) const
    {
        if (key.empty())
            return m_path.empty() ? "the workspace" : m_path;
        return m_path.empty() ? key : m_path + "." + key;
    }

    void Fail(const std::string &key, const std::string &why)
    {
        if (m_state.Ok())
            m_state.error = PathOf(key) + ": " + why;
    }

    // The member, or null when it is missing (a fault if `required`) or the
    // read has failed already.
    const json *Find(const char *key, bool required)
    {
        if (!m_state.Ok())
            return nullptr;
        const auto member = m_value.find(key);
        if (member != m_value.end())
            return &*member;
        if (required)
            Fail(key, "missing");
        return nullptr;
    }

    bool Has(const char *key) const { return m_state.Ok() && m_value.contains(key); }

    long long Integer(const char *key, long long low, long long high, bool required, long long fallback)
    {
        const json *member = Find(key, required);
        if (member == nullptr)
            return fallback;
        if (!member->is_number_integer()) {
            Fail(key, "must be a whole number");
            return fallback;
        }
        // Non-negative numbers are unsigned to the parser, and may not fit a long long.
        const bool inRange = member->is_number_unsigned()
                                 ? member->get<unsigned long long>() <= static_cast<unsigned long long>(high)
                                 : member->get<long long>() <= high;
        const long long number = inRange ? member->get<long long>() : high;
        if (!inRange || number < low) {
            Fail(key, Range(low, high));
            return fallback;
        }
        return number;
    }

    std::string Text(const char *key, bool required)
    {
        const json *member = Find(key, required);
        if (member == nullptr)
            return std::string();
        if (!member->is_string()) {
            Fail(key, "must be a text");
            return std::string();
        }
        return member->get<std::string>();
    }

    bool Flag(const char *key)
    {
        const json *member = Find(key, false);
        if (member == nullptr)
            return false;
        if (!member->is_boolean()) {
            Fail(key, "must be true or false");
            return false;
        }
        return member->get<bool>();
    }

    const json &Value() const { return m_value; }

private:
    const json &m_value;
    const std::string m_path;
    ReadState &m_state;
};

std::string IndexPath(const std::string &path, size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

// The "format" and "order" of a block or a row; none when it gives none.
std::optional<ValueFormat> ReadFormat(Fields &fields)
{
    if (!fields.Has("format")) {
        if (fields.Has("order"))
            fields.Fail("order", "given without a format");
        return std::nullopt;
    }
    const std::string typeName = fields.Text("format", true);
    const std::optional<ValueType> type = ValueTypeByName(typeName);
    if (!type) {
        fields.Fail("format", "must be one of " + TypeNames());
        return std::nullopt;
    }
    ValueFormat format{*type, 0};
    if (!fields.Has("order"))
        return format;
    const std::string orderName = fields.Text("order", true);
    if (RegistersOf(*type) == 1) {
        fields.Fail("order", typeName + " has no word order");
        return std::nullopt;
    }
    format.order = OrderByName(*type, orderName);
    if (format.order < 0) {
        fields.Fail("order", "must be one of " + OrderNames(*type) + " for " + typeName);
        return std::nullopt;
    }
    return format;
}

bool IsDottedAddress(const std::string &text)
{
    ip_address::FieldTexts parts;
    size_t begin = 0;
    for (size_t n = 0; n < parts.size(); ++n) {
        const size_t dot = text.find('.', begin);
        if ((dot == std::string::npos) != (n == parts.size() - 1))
            return false;
        parts[n] = text.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
        begin = dot + 1;
    }
    return ip_address::FieldsFormAddress(parts);
}

WorkspaceConnection ReadConnection(const json &value, ReadState &state)
{
    Fields fields(value, "connection", state, {"ip", "port", "framing", "timeout_ms"});
    WorkspaceConnection connection;
    connection.ip = fields.Text("ip", true);
    if (state.Ok() && !IsDottedAddress(connection.ip))
        fields.Fail("ip", "must be an IPv4 address from 1.0.0.0 to 223.255.255.255");
    connection.port = static_cast<int>(fields.Integer("port", 1, 65535, true, 0));
    const std::string framing = fields.Text("framing", true);
    if (state.Ok() && framing != "rtu" && framing != "tcp")
        fields.Fail("framing", "must be rtu or tcp");
    connection.framing = framing == "tcp" ? MB_FRAMING_TCP : MB_FRAMING_RTU;
    connection.timeoutMs = static_cast<int>(fields.Integer("timeout_ms", kMinResponseTimeoutMs,
                                                           kMaxResponseTimeoutMs, false, kDefaultResponseTimeoutMs));
    return connection;
}

void ReadRows(const json &value, const std::string &path, BlockDefinition &block, ReadState &state,
              PlottedRows &plotted)
{
    if (!value.is_array()) {
        state.error = path + ": must be a list";
        return;
    }
    const bool bits = ReadsBits(block.function);
    for (size_t index = 0; index < value.size() && state.Ok(); ++index) {
        Fields fields(value[index], IndexPath(path, index), state, {"address", "name", "format", "order", "plot"});
        const int address = static_cast<int>(fields.Integer("address", 0, 65535, true, 0));
        BlockRow row;
        row.name = fields.Text("name", false);
        if (bits && fields.Has("format"))
            fields.Fail("format", "bits have no format");
        row.format = ReadFormat(fields);
        if (state.Ok() && !block.rows.emplace(address - block.start, row).second)
            fields.Fail("address", std::to_string(address) + " is listed twice");
        if (fields.Flag("plot"))
            plotted.insert({block.name, address - block.start});
    }
}

BlockDefinition ReadBlock(const json &value, const std::string &path, ReadState &state, PlottedRows &plotted)
{
    Fields fields(value, path, state,
                  {"name", "unit", "function", "start", "count", "period_ms", "format", "order", "rows"});
    BlockDefinition block;
    block.name = fields.Text("name", true);
    if (state.Ok() && block.name.find_first_not_of(" \t") == std::string::npos)
        fields.Fail("name", "must not be empty");
    block.unit = static_cast<int>(fields.Integer("unit", 0, 255, false, 1));
    block.function = static_cast<int>(fields.Integer("function", 1, 4, true, 3));
    block.start = static_cast<int>(fields.Integer("start", 0, 65535, true, 0));
    const bool bits = ReadsBits(block.function);
    block.count = static_cast<int>(
        fields.Integer("count", 1, bits ? MB_MAX_READ_BITS : MB_MAX_READ_REGISTERS, true, 1));
    block.periodMs = static_cast<int>(fields.Integer("period_ms", kMinBlockPeriodMs, kMaxBlockPeriodMs, false, 1000));
    if (bits && fields.Has("format"))
        fields.Fail("format", "bits have no format");
    block.format = ReadFormat(fields).value_or(ValueFormat{});
    if (const json *rows = fields.Find("rows", false))
        ReadRows(*rows, fields.PathOf("rows"), block, state, plotted);
    if (state.Ok()) {
        const std::string fault = ValidateBlock(block);
        if (!fault.empty())
            state.error = path + ": " + fault;
    }
    return block;
}

void ReadBlocks(const json &value, ReadState &state, Workspace &workspace)
{
    if (!value.is_array()) {
        state.error = "blocks: must be a list";
        return;
    }
    if (value.size() > kMostBlocks) {
        state.error = "blocks: must be at most " + std::to_string(kMostBlocks);
        return;
    }
    for (size_t index = 0; index < value.size() && state.Ok(); ++index)
        workspace.blocks.push_back(ReadBlock(value[index], IndexPath("blocks", index), state, workspace.plotted));
}

// "line 3, column 7: syntax error while parsing ..." from the parser's own
// text, whose position is a byte count from 1.
std::string SyntaxError(const std::string &text, const json::parse_error &error)
{
    const size_t end = std::min(error.byte > 0 ? error.byte - 1 : 0, text.size());
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t at = 0; at < end; ++at)
        if (text[at] == '\n') {
            ++line;
            lineStart = at + 1;
        }
    std::string what = error.what();
    const size_t cause = what.find("syntax error");
    if (cause != std::string::npos)
        what = what.substr(cause);
    return "line " + std::to_string(line) + ", column " + std::to_string(end - lineStart + 1) + ": " + what;
}

} // namespace

WorkspaceRead ReadWorkspace(const std::string &text)
{
    WorkspaceRead read;
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error &error) {
        read.error = SyntaxError(text, error);
        return read;
    }
    if (!root.is_object()) {
        read.error = "not a workspace: the file holds no JSON object";
        return read;
    }
    ReadState state;
    const auto format = root.find("format");
    if (format == root.end() || *format != "orv-workspace") {
        read.error = "format: must be \"orv-workspace\" (not a workspace file)";
        return read;
    }
    const auto version = root.find("version");
    if (version == root.end() || !version->is_number_integer() || *version < 1 || *version > INT_MAX) {
        read.error = "version: must be a whole number from 1";
        return read;
    }
    state.version = version->get<int>();
    Fields fields(root, "", state, {"format", "version", "connection", "blocks", "windows", "uart_rules"});
    Workspace workspace;
    if (const json *connection = fields.Find("connection", true))
        workspace.connection = ReadConnection(*connection, state);
    if (const json *blocks = fields.Find("blocks", true))
        ReadBlocks(*blocks, state, workspace);
    if (const json *windows = fields.Find("windows", false)) {
        Fields open(*windows, "windows", state, {"monitor", "traffic"});
        workspace.monitorOpen = open.Flag("monitor");
        workspace.trafficOpen = open.Flag("traffic");
    }
    if (const json *rules = fields.Find("uart_rules", false); rules != nullptr && state.Ok()) {
        // Sends of message list entries are checked against the list where
        // the rules are applied; the file holds no list.
        RulesRead uart = RulesFromJson(*rules, std::numeric_limits<size_t>::max());
        if (uart.error.empty())
            workspace.uartRules = std::move(uart.rules);
        else
            state.error = "uart_rules: " + uart.error;
    }
    read.error = state.error;
    if (state.Ok()) {
        read.workspace = std::move(workspace);
        read.notes = std::move(state.notes);
    }
    return read;
}
