#include "simreader/SimCommand.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "simreader/SimState.h"

namespace kardello::simreader {

namespace {

constexpr std::uint64_t kMaxRawRecords = 1000;

struct UsageError {
    std::string message;
};

std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t value = 0;
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return std::nullopt;
        value = value * base + digit;
        if (value > max) return std::nullopt;
    }
    return value;
}

int ParseUnit(const std::string& text) {
    const auto value = ParseNumber(text, kMaxUnits);
    if (!value || *value < 1)
        throw UsageError{"unit must be a number from 1 to " + std::to_string(kMaxUnits) + ", got '" +
                         text + "'"};
    return static_cast<int>(*value);
}

Target ParseTarget(const std::string& text) {
    if (text == "control") return Target{true, 0};
    return Target{false, ParseUnit(text) - 1};
}

bool ParseOnOff(const std::string& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw UsageError{"expected 'on' or 'off', got '" + text + "'"};
}

void ExpectCount(const std::vector<std::string>& args, std::size_t min, std::size_t max) {
    if (args.size() < min || args.size() > max)
        throw UsageError{"wrong number of arguments for '" + args[0] + "'"};
}

struct UnitOptions {
    std::optional<std::string> serial;
    std::optional<char> letter;
    std::optional<std::uint16_t> extend;
};

UnitOptions ParseUnitOptions(const std::vector<std::string>& args, std::size_t from,
                             bool allowExtend) {
    UnitOptions options;
    for (std::size_t i = from; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (i + 1 >= args.size()) throw UsageError{"option '" + name + "' needs a value"};
        const std::string& value = args[i + 1];
        if (name == "--serial" && !options.serial) {
            if (value.empty() || value.size() > kMaxSerialLength)
                throw UsageError{"serial must be 1 to " + std::to_string(kMaxSerialLength) +
                                 " characters, got '" + value + "'"};
            if (value.find('\0') != std::string::npos) throw UsageError{"serial contains a NUL"};
            options.serial = value;
        } else if (name == "--letter" && !options.letter) {
            if (value.size() != 1 || value[0] == '\0')
                throw UsageError{"letter must be a single character, got '" + value + "'"};
            options.letter = value[0];
        } else if (name == "--extend" && allowExtend && !options.extend) {
            const auto number = ParseNumber(value, 0xFFFF);
            if (!number) throw UsageError{"extend must be 0..65535 (or 0x0..0xFFFF), got '" + value + "'"};
            options.extend = static_cast<std::uint16_t>(*number);
        } else {
            throw UsageError{"unknown or repeated option '" + name + "'"};
        }
    }
    return options;
}

Bytes RecordsBytes(std::uint64_t count, bool card) {
    Bytes bytes;
    for (std::uint64_t i = 0; i < count; ++i) {
        UnitState unit = DefaultUnit(static_cast<int>(i % 99) + 1);
        unit.letter = static_cast<char>('D' + i % 23);
        unit.card = card;
        const Record record = EncodeRecord(unit);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

std::string Describe(const UnitState& unit, int number) {
    std::string line = "unit " + std::to_string(number) + ": ";
    line += !unit.connected ? "disconnected" : unit.card ? "card in" : "no card";
    line += ", serial " + unit.serial + ", letter " + std::string(1, unit.letter);
    if (unit.card) {
        char extend[16];
        std::snprintf(extend, sizeof extend, "0x%04X", unit.extend);
        line += std::string(", extend ") + extend;
    }
    return line + "\n";
}

std::string StatusText(long status) {
    return "registry error " + std::to_string(status);
}

// Applies a change to one existing unit of the stored model.
template <typename Change>
CommandResult ChangeUnit(SimState& state, int unit, Change change) {
    CommandResult result;
    std::vector<UnitState> units;
    const long status = state.Load(&units);
    if (status != kErrorSuccess) {
        result.exitCode = kExitFailed;
        result.err = status == kErrorFileNotFound
                         ? "the simulated reader is not set up; run 'vrsim reset' first\n"
                         : "cannot read the simulated reader's state (" + StatusText(status) + ")\n";
        return result;
    }
    if (unit > static_cast<int>(units.size())) {
        result.exitCode = kExitUsage;
        result.err = "unit " + std::to_string(unit) + " does not exist: the reader has " +
                     std::to_string(units.size()) + " unit(s); use 'vrsim reset UNITS'\n";
        return result;
    }
    change(units[unit - 1]);
    const long stored = state.Store(units);
    if (stored != kErrorSuccess) {
        result.exitCode = kExitFailed;
        result.err = "cannot write the simulated reader's state (" + StatusText(stored) + ")\n";
        return result;
    }
    result.out = Describe(units[unit - 1], unit);
    return result;
}

CommandResult Done(long status, const std::string& what) {
    CommandResult result;
    if (status != kErrorSuccess) {
        result.exitCode = kExitFailed;
        result.err = "cannot " + what + " (" + StatusText(status) + ")\n";
    } else {
        result.out = what + ": done\n";
    }
    return result;
}

CommandResult Run(IRegistry& registry, const std::vector<std::string>& args) {
    SimState state(registry);
    const std::string& command = args[0];
    if (command == "reset") {
        ExpectCount(args, 1, 2);
        int count = kDefaultUnits;
        if (args.size() == 2) {
            const auto value = ParseNumber(args[1], kMaxUnits);
            if (!value) throw UsageError{"units must be 0 to " + std::to_string(kMaxUnits)};
            count = static_cast<int>(*value);
        }
        return Done(state.Reset(count), "reset to " + std::to_string(count) + " unit(s)");
    }
    if (command == "insert" || command == "connect") {
        if (args.size() < 2) throw UsageError{"'" + command + "' needs a unit"};
        const int unit = ParseUnit(args[1]);
        const UnitOptions options = ParseUnitOptions(args, 2, command == "insert");
        const bool card = command == "insert";
        return ChangeUnit(state, unit, [&](UnitState& u) {
            u.connected = true;
            u.card = card;
            if (options.serial) u.serial = *options.serial;
            if (options.letter) u.letter = *options.letter;
            u.extend = card ? options.extend.value_or(0) : 0;
        });
    }
    if (command == "remove" || command == "disconnect") {
        ExpectCount(args, 2, 2);
        const int unit = ParseUnit(args[1]);
        const bool disconnect = command == "disconnect";
        return ChangeUnit(state, unit, [&](UnitState& u) {
            u.card = false;
            u.extend = 0;
            if (disconnect) u.connected = false;
        });
    }
    if (command == "show") {
        ExpectCount(args, 1, 1);
        CommandResult result;
        std::vector<UnitState> units;
        const long status = state.Load(&units);
        if (status != kErrorSuccess) return Done(status, "read the simulated reader's state");
        result.out = std::to_string(units.size()) + " unit(s)\n";
        for (std::size_t i = 0; i < units.size(); ++i)
            result.out += Describe(units[i], static_cast<int>(i + 1));
        return result;
    }
    if (command == "requests") {
        ExpectCount(args, 1, 1);
        std::vector<std::uint32_t> counts;
        const long status = state.ReadServed(&counts);
        if (status != kErrorSuccess) return Done(status, "read the requests served");
        std::uint64_t total = 0;
        std::string lines;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            total += counts[i];
            if (counts[i] == 0) continue;
            lines += (i == 0 ? std::string("control") : "unit " + std::to_string(i)) + ": " +
                     std::to_string(counts[i]) + "\n";
        }
        CommandResult result;
        result.out = std::to_string(total) + " request(s) served\n" + lines;
        return result;
    }
    if (command == "fail") {
        ExpectCount(args, 3, 3);
        const Target target = ParseTarget(args[1]);
        const bool on = ParseOnOff(args[2]);
        return Done(state.SetFail(target, on), "set " + FailValueName(target));
    }
    if (command == "absent") {
        ExpectCount(args, 2, 2);
        return Done(state.SetAbsent(ParseOnOff(args[1])), "set Absent");
    }
    if (command == "delay") {
        ExpectCount(args, 2, 2);
        std::optional<std::uint32_t> milliseconds;
        if (args[1] != "off") {
            const auto value = ParseNumber(args[1], kMaxDelayMs);
            if (!value)
                throw UsageError{"delay must be 0.." + std::to_string(kMaxDelayMs) +
                                 " milliseconds or 'off', got '" + args[1] + "'"};
            milliseconds = static_cast<std::uint32_t>(*value);
        }
        return Done(state.SetDelay(milliseconds), "set Delay");
    }
    if (command == "raw") {
        ExpectCount(args, 3, 5);
        const Target target = ParseTarget(args[1]);
        Bytes bytes;
        if (args[2] == "--records") {
            if (args.size() < 4) throw UsageError{"'--records' needs a count"};
            const auto count = ParseNumber(args[3], kMaxRawRecords);
            if (!count)
                throw UsageError{"record count must be 0 to " + std::to_string(kMaxRawRecords)};
            bool card = true;
            if (args.size() == 5) {
                if (args[4] != "--no-card") throw UsageError{"unknown option '" + args[4] + "'"};
                card = false;
            }
            bytes = RecordsBytes(*count, card);
        } else {
            ExpectCount(args, 3, 3);
            if (!ParseHex(args[2], &bytes))
                throw UsageError{"bad hex '" + args[2] + "': expected pairs of hex digits"};
        }
        CommandResult result = Done(state.SetRaw(target, bytes), "set " + DataValueName(target));
        if (result.exitCode == kExitOk)
            result.out = DataValueName(target) + " = " + std::to_string(bytes.size()) + " byte(s)\n";
        return result;
    }
    if (command == "report") {
        ExpectCount(args, 3, 3);
        const Target target = ParseTarget(args[1]);
        std::optional<std::uint32_t> count;
        if (args[2] != "off") {
            const std::uint64_t max = target.control ? 0xFFFFFFFFu : kMaxInstanceReport;
            const auto value = ParseNumber(args[2], max);
            if (!value)
                throw UsageError{"count must be 0.." + std::to_string(max) + " or 'off', got '" +
                                 args[2] + "'" +
                                 (target.control ? "" : " (larger counts on an instance device "
                                                        "hang the caller under Wine)")};
            count = static_cast<std::uint32_t>(*value);
        }
        return Done(state.SetReport(target, count), "set " + ReportValueName(target));
    }
    if (command == "instance") {
        ExpectCount(args, 3, 3);
        const int unit = ParseUnit(args[1]);
        const bool on = ParseOnOff(args[2]);
        return Done(state.SetInstance(unit - 1, on),
                    "set instance value \"" + std::to_string(unit - 1) + "\"");
    }
    if (command == "install") {
        ExpectCount(args, 2, 2);
        if (args[1].empty()) throw UsageError{"driver path is empty"};
        return Done(state.InstallService(args[1]), "register the VRUSBDSK service");
    }
    throw UsageError{"unknown command '" + command + "'"};
}

}  // namespace

bool IsSimCommand(const std::string& name) {
    static const char* const kNames[] = {"reset", "insert",   "connect", "remove",
                                         "disconnect", "show", "requests", "fail",  "absent",
                                         "delay", "raw",      "report",   "instance", "install"};
    for (const char* known : kNames)
        if (name == known) return true;
    return false;
}

std::string SimUsage() {
    return "usage: vrsim COMMAND [ARGS]\n"
           "  reset [UNITS]                 UNITS (0-8, default 2) connected units, no cards,\n"
           "                                every override cleared, Instance values rewritten\n"
           "  insert N [--serial S] [--letter L] [--extend X]\n"
           "                                card into unit N (connects it too)\n"
           "  remove N                      card out; serial and letter stay\n"
           "  connect N [--serial S] [--letter L]   unit N connected, no card\n"
           "  disconnect N                  unit N answers with an empty serial\n"
           "  show                          the stored model\n"
           "  list                          ask the devices (both codes) and print the answers\n"
           "  requests                      the status requests the driver has served, in all\n"
           "                                and by device (reset leaves the counts)\n"
           "  wait [SECONDS]                wait until the control device opens (default 20)\n"
           "  fail control|N on|off         the device's control call fails\n"
           "  absent on|off                 every open of every device fails\n"
           "  delay MS|off                  every control request is held MS milliseconds\n"
           "  raw control|N HEX             the device answers exactly these bytes\n"
           "  raw control|N --records K [--no-card]   K made-up records\n"
           "  report control|N COUNT|off    byte count the driver reports\n"
           "  instance N on|off             add or remove Instance value \"N-1\"\n"
           "  install DRIVER_PATH           register the driver service (Windows path)\n"
           "  photo-running                 exit 0 when the photo application's semaphore is held\n"
           "Units N are 1-8. Commands that change units rewrite Control and every DevK,\n"
           "replacing earlier raw data; fail, report, absent, delay and instance settings stay.\n"
           "After insert and remove, the top-level windows are told that media came or\n"
           "went in the unit's drive, as Windows tells them; --no-notice leaves that out.\n";
}

CommandResult RunSimCommand(IRegistry& registry, const std::vector<std::string>& args) {
    if (args.empty()) return CommandResult{kExitUsage, "", SimUsage()};
    try {
        return Run(registry, args);
    } catch (const UsageError& error) {
        return CommandResult{kExitUsage, "", "vrsim: " + error.message + "\n"};
    }
}

}  // namespace kardello::simreader
