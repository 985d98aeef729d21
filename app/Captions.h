// The character's own texts, in Windows-1251: its name and the popup menu's captions.
#pragma once

inline constexpr char kDisplayName[] = "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4";  // Г.Г.Кормид
inline constexpr char kRestore[] = "\xD0\xE0\xE7\xE2\xE5\xF0\xED\xF3\xF2\xFC";  // Развернуть
inline constexpr char kMinimize[] = "\xD1\xE2\xE5\xF0\xED\xF3\xF2\xFC";         // Свернуть
inline constexpr char kTeach[] = "\xCE\xE1\xF3\xF7\xE8\xF2\xFC...";             // Обучить...
inline constexpr char kRun[] = "\xC2\xFB\xEF\xEE\xEB\xED\xE8\xF2\xFC   ";  // Выполнить
inline constexpr char kExit[] = "\xC2\xFB\xF5\xEE\xE4";                    // Выход
