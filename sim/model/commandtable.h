#pragma once

#include <QByteArrayView>

#include <span>
#include <string_view>

// The commands the simulated projector understands, as data: the item
// families of "CF <KEYWORD> <VALUE>", the basic codes "Cxx" expressed as
// family commands, and the keywords of "CR <KEYWORD>".
namespace CommandTable {

enum class Form {
    Choice,  // one of a list of words; UP and DN move through the list, wrapping
    Level,   // a number within a range; UP and DN move by one, stopping at the ends
    Action,  // words that do something once; the last one is remembered
};

struct Family {
    std::string_view keyword;
    Form form;
    // Choice and Action: the accepted words, separated by '|'.
    // Level: the digit pattern of a value ("0%%": a 0 and two digits); empty
    // when the level is set by steps only.
    std::string_view values;
    // Choice: the word in force at start. Level: unused (see initialLevel).
    std::string_view initial = {};
    int minimum = 0;
    int maximum = 0;
    int initialLevel = 0;
    bool steps = false;  // UP and DN are accepted
    // A word that must come first, before the value ("%%%%": a PIN).
    std::string_view pin = {};
    // Further values handled by the model itself, separated by '|'.
    std::string_view extras = {};
};

// What a basic execution code does, as the family command it stands for.
// An empty keyword: the code is accepted and changes nothing readable.
// The value "NEXT" moves a choice family on by one, with or without UP.
struct BasicCode {
    std::string_view code;
    std::string_view keyword;
    std::string_view value;
};

[[nodiscard]] std::span<const Family> families();
[[nodiscard]] const Family *family(QByteArrayView keyword);
// The position of a family in families().
[[nodiscard]] qsizetype indexOf(const Family &family);

[[nodiscard]] std::span<const BasicCode> basicCodes();
[[nodiscard]] const BasicCode *basicCode(QByteArrayView code);

// "CR0", "CR1", "CR3", "CR4", "CR6", "CR7".
[[nodiscard]] std::span<const std::string_view> basicReads();
// The keywords after "CR " of the read list, in its order.
[[nodiscard]] std::span<const std::string_view> readKeywords();
[[nodiscard]] bool isReadKeyword(QByteArrayView keyword);

// The index of `word` in a '|'-separated list, or -1.
[[nodiscard]] int wordIndex(std::string_view list, QByteArrayView word);
[[nodiscard]] int wordCount(std::string_view list);
[[nodiscard]] std::string_view wordAt(std::string_view list, int index);
// Whether `word` fills a digit pattern: same length, '%' a digit, others equal.
[[nodiscard]] bool fillsPattern(std::string_view pattern, QByteArrayView word);

} // namespace CommandTable
