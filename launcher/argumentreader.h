// The command-line reader the programs share: each declares its options as rows, and the reader
// hands back one argument at a time, matched against them. What an option means, and the words
// of a mistake, stay with the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// One option: how it is spelled, whether it takes a value, and what documents it.
struct OptionRow {
    std::string_view Name = {};   // the long spelling without its leading "--"
    std::string_view Alias = {};  // another spelling, as written ("-root", "-h"); "" none
    // What its value is called in the usage ("SECONDS", "WxH"); "" for an option that takes no
    // value, unless it has a range.
    std::string_view Value = {};
    std::int32_t Low = 0, High = 0;  // a whole number's range, when Low < High
    std::string_view Help = {};      // one line for --help, without a final stop
    std::string_view Stored = {};    // the stored setting it stands in for, for one run
    std::string_view Manual = {};    // the manual page's text (troff); "" : made from Help

    constexpr bool Ranged() const { return Low < High; }
    constexpr bool TakesValue() const { return !Value.empty() || Ranged(); }
};

// One argument as read.
struct Argument {
    enum class Kind {
        Option,   // one of the rows
        Unknown,  // starts with "--" but names no row ("--" alone included)
        Operand,  // anything else: the program decides what it is
    };
    Kind What = Kind::Operand;
    std::string_view Text;  // the argument as written
    std::string_view Name;  // for "--name=value", the part before "="
    const OptionRow* Row = nullptr;
    // An option's value: after "=", or the argument after it for a row that takes one; nullopt
    // when it is missing. An option that takes none has one only when written with "=".
    std::optional<std::string_view> Value;
};

class ArgumentReader {
  public:
    ArgumentReader(std::span<const std::string_view> args, std::span<const OptionRow> rows)
        : Arguments(args), Rows(rows) {}

    bool AtEnd() const { return NextIndex >= Arguments.size(); }
    // The next argument, with the value it takes along; call only while !AtEnd().
    Argument Next();

  private:
    const OptionRow* FindLong(std::string_view name) const;
    const OptionRow* FindAlias(std::string_view text) const;

    std::span<const std::string_view> Arguments;
    std::span<const OptionRow> Rows;
    std::size_t NextIndex = 0;
};

// A whole number in decimal, a minus sign allowed; nullopt for anything else (a plus sign,
// spaces, other digits, more than 64 bits hold).
std::optional<std::int64_t> ReadWholeNumber(std::string_view text);

// A window number as XScreenSaver writes one: decimal, or hex after "0x" or "0X"; 0 when it is
// none or does not fit in 32 bits.
std::uint32_t ReadWindowNumber(std::string_view text);
