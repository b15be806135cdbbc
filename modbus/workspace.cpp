// Writing a workspace, and the files it lives in.
#include "modbus/workspace.h"

#include "chart/atomic_file.h"
#include "uart/rule_json.h"
#include "uart/utf8_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace {

using ordered_json = nlohmann::ordered_json;

// Far beyond any workspace; a larger file is something else.
constexpr size_t kMostWorkspaceBytes = 16 * 1024 * 1024;

void PutFormat(ordered_json &object, const ValueFormat &format)
{
    object["format"] = ValueTypeName(format.type);
    if (RegistersOf(format.type) > 1)
        object["order"] = OrderName(format);
}

ordered_json BlockJson(const BlockDefinition &block, const PlottedRows &plotted)
{
    ordered_json object = {{"name", block.name},   {"unit", block.unit},   {"function", block.function},
                           {"start", block.start}, {"count", block.count}, {"period_ms", block.periodMs}};
    const bool bits = ReadsBits(block.function);
    if (!bits)
        PutFormat(object, block.format);
    // A plotted row needs an entry of its own, with no name if it has none.
    std::map<int, BlockRow> rows = block.rows;
    std::set<int> plottedOffsets;
    if (ValidateBlock(block).empty())
        for (const BlockCell &cell : BlockLayout(block))
            if (plotted.count({block.name, cell.offset}) != 0) {
                rows.emplace(cell.offset, BlockRow{});
                plottedOffsets.insert(cell.offset);
            }
    if (rows.empty())
        return object;
    ordered_json items = ordered_json::array();
    for (const auto &[offset, row] : rows) {
        ordered_json item = {{"address", block.start + offset}, {"name", row.name}};
        if (row.format && !bits)
            PutFormat(item, *row.format);
        if (plottedOffsets.count(offset) != 0)
            item["plot"] = true;
        items.push_back(std::move(item));
    }
    object["rows"] = std::move(items);
    return object;
}

// The texts the reader would refuse as JSON, which WriteWorkspace would
// otherwise replace with something else.
std::string NonUtf8Field(const Workspace &ws)
{
    if (!IsUtf8(ws.connection.ip))
        return "connection.ip";
    for (size_t index = 0; index < ws.blocks.size(); ++index) {
        const std::string path = "blocks[" + std::to_string(index) + "]";
        if (!IsUtf8(ws.blocks[index].name))
            return path + ".name";
        size_t rowIndex = 0;
        for (const auto &row : ws.blocks[index].rows) {
            if (!IsUtf8(row.second.name))
                return path + ".rows[" + std::to_string(rowIndex) + "].name";
            ++rowIndex;
        }
    }
    return "";
}

// The whole file in `text`; "" or the cause.
std::string ReadWhole(const std::string &path, std::string &text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    char buffer[65536];
    std::string cause;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            cause = std::strerror(errno);
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kMostWorkspaceBytes) {
            cause = "larger than a workspace can be";
            break;
        }
    }
    ::close(fd);
    return cause;
}

} // namespace

std::string WriteWorkspace(const Workspace &ws)
{
    ordered_json blocks = ordered_json::array();
    for (const BlockDefinition &block : ws.blocks)
        blocks.push_back(BlockJson(block, ws.plotted));
    ordered_json root = {
        {"format", "orv-workspace"},
        {"version", kWorkspaceVersion},
        {"connection",
         {{"ip", ws.connection.ip},
          {"port", ws.connection.port},
          {"framing", ws.connection.framing == MB_FRAMING_TCP ? "tcp" : "rtu"},
          {"timeout_ms", ws.connection.timeoutMs}}},
        {"blocks", std::move(blocks)},
        {"windows", {{"monitor", ws.monitorOpen}, {"traffic", ws.trafficOpen}}}};
    if (ws.uartRules)
        root["uart_rules"] = ordered_json::parse(RulesJson(*ws.uartRules).dump());
    return root.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

std::string CheckWorkspace(const Workspace &ws)
{
    const std::string badText = NonUtf8Field(ws);
    if (!badText.empty())
        return badText + ": not UTF-8 text";
    // What is written must read back: the reader's checks are the measure.
    return ReadWorkspace(WriteWorkspace(ws)).error;
}

std::string WriteWorkspaceFile(const std::string &path, const Workspace &ws)
{
    const std::string fault = CheckWorkspace(ws);
    if (!fault.empty())
        return "Cannot save the workspace: " + fault;
    std::string error;
    WriteFileAtomically(path, WriteWorkspace(ws), error);
    return error;
}

WorkspaceRead ReadWorkspaceFile(const std::string &path)
{
    std::string text;
    const std::string cause = ReadWhole(path, text);
    if (!cause.empty()) {
        WorkspaceRead read;
        read.error = "Cannot read \"" + path + "\": " + cause;
        return read;
    }
    WorkspaceRead read = ReadWorkspace(text);
    if (!read.error.empty())
        read.error = path + ": " + read.error;
    return read;
}
