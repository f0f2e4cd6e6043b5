// Logs of records kept in data files, one record a line, that survive a crash
// or a power cut while they are appended to. A line is
//
//   <payload> SP <CRC-32 of the payload: 8 lowercase hex digits> LF
//
// and a payload holds no CR or LF (EscapeLogText keeps them out of texts).
// Reading keeps only sound lines, complete and with their CRC matching, so a
// torn last line costs that line alone and never the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

uint32_t Crc32(std::string_view bytes);

// A text as it is kept in a payload: backslash, CR and LF as "\\", "\r", "\n".
std::string EscapeLogText(std::string_view text);
// The text back; an escape it does not know stands for its second character.
std::string UnescapeLogText(std::string_view escaped);

// The line that keeps the payload, LF included.
std::string EncodeLogLine(std::string_view payload);
// The payloads of the sound lines, oldest first. They point into bytes.
std::vector<std::string_view> SoundLogLines(std::string_view bytes);
// The payloads of the sound lines from the newest back, until visit returns
// false: the end of a long log costs only what is read of it.
void VisitSoundLogLinesBackwards(std::string_view bytes,
                                 const std::function<bool(std::string_view)>& visit);

// The bytes to append to a log whose content ends with logEnd (its last byte,
// or nothing for an empty log) for the payload to land on a line of its own,
// after a torn line too (one that a crash left ending in NUL bytes
// included), which stays torn.
std::string LineToAppend(std::string_view logEnd, std::string_view payload);

// The newest sound lines of the log that fit in keepBytes, re-encoded: what a
// log that outgrew its limit is replaced with.
std::string RotateLog(std::string_view bytes, size_t keepBytes);

// Takes a decimal number and the space after it from the front of the text;
// fails, taking nothing, on no digits, no space or a number past 2^64 - 1.
bool TakeLogNumber(std::string_view* text, uint64_t* number);
