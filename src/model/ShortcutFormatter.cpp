#include "model/ShortcutFormatter.h"

#include "model/KeyLabelSource.h"
#include "model/Shortcut.h"

#include <QStringList>

namespace ostrel {

QString ShortcutFormatter::modifierSymbols(quint32 modifiers)
{
    // The stored bits keep their first platform's names: command is the Super key here, option
    // is Alt.
    QStringList names;
    if (modifiers & Shortcut::control) {
        names.append(QStringLiteral("Ctrl"));
    }
    if (modifiers & Shortcut::option) {
        names.append(QStringLiteral("Alt"));
    }
    if (modifiers & Shortcut::shift) {
        names.append(QStringLiteral("Shift"));
    }
    if (modifiers & Shortcut::command) {
        names.append(QStringLiteral("Super"));
    }
    return names.join(QLatin1Char('+'));
}

QString ShortcutFormatter::keyName(quint32 keyCode, KeyLabelSource *labels)
{
    // Key codes are 16-bit; anything larger never reaches the layout.
    if (labels && keyCode <= 0xFFFF) {
        if (std::optional<QString> label = labels->label(keyCode)) {
            return *label;
        }
    }
    const auto found = names().constFind(keyCode);
    if (found != names().constEnd()) {
        return *found;
    }
    return QStringLiteral("Key ") + QString::number(keyCode);
}

QString ShortcutFormatter::text(const Shortcut &shortcut, KeyLabelSource *labels)
{
    const QString modifiers = modifierSymbols(shortcut.modifiers);
    const QString key = keyName(shortcut.keyCode, labels);
    return modifiers.isEmpty() ? key : modifiers + QLatin1Char('+') + key;
}

const QHash<quint32, QString> &ShortcutFormatter::names()
{
    static const QHash<quint32, QString> table = [] {
        struct Row {
            quint32 code;
            const char *label;
        };
        // The keys are named as a PC keyboard prints them: Backspace, Delete and Insert stand
        // where a Mac keyboard has Delete, Forward Delete and Help. 44 to 47 are the positions of
        // /, N, M and . (as the key positions and the reserved combinations have them).
        // clang-format off
        const Row rows[] = {
            {0, "A"},       {1, "S"},        {2, "D"},        {3, "F"},
            {4, "H"},       {5, "G"},        {6, "Z"},        {7, "X"},
            {8, "C"},       {9, "V"},        {11, "B"},       {12, "Q"},
            {13, "W"},      {14, "E"},       {15, "R"},       {16, "Y"},
            {17, "T"},      {18, "1"},       {19, "2"},       {20, "3"},
            {21, "4"},      {22, "6"},       {23, "5"},       {24, "="},
            {25, "9"},      {26, "7"},       {27, "-"},       {28, "8"},
            {29, "0"},      {30, "]"},       {31, "O"},       {32, "U"},
            {33, "["},      {34, "I"},       {35, "P"},       {36, "Return"},
            {37, "L"},      {38, "J"},       {39, "'"},       {40, "K"},
            {41, ";"},      {42, "\\"},      {43, ","},       {44, "/"},
            {45, "N"},      {46, "M"},       {47, "."},       {48, "Tab"},
            {49, "Space"},  {50, "`"},       {51, "Backspace"}, {53, "Escape"},
            // The numeric keypad repeats the labels of the main keys.
            {65, "."},      {67, "*"},       {69, "+"},       {71, "Clear"},
            {75, "/"},      {76, "Enter"},   {78, "-"},       {81, "="},
            {82, "0"},      {83, "1"},       {84, "2"},       {85, "3"},
            {86, "4"},      {87, "5"},       {88, "6"},       {89, "7"},
            {91, "8"},      {92, "9"},       {96, "F5"},      {97, "F6"},
            {98, "F7"},     {99, "F3"},      {100, "F8"},     {101, "F9"},
            {103, "F11"},   {105, "F13"},    {107, "F14"},    {109, "F10"},
            {111, "F12"},   {113, "F15"},    {114, "Insert"}, {115, "Home"},
            {116, "Page Up"}, {117, "Delete"}, {118, "F4"},   {119, "End"},
            {120, "F2"},    {121, "Page Down"}, {122, "F1"},  {123, "←"},
            {124, "→"},     {125, "↓"},      {126, "↑"},
        };
        // clang-format on
        QHash<quint32, QString> built;
        for (const Row &row : rows) {
            built.insert(row.code, QString::fromUtf8(row.label));
        }
        return built;
    }();
    return table;
}

} // namespace ostrel
