// The two text transformations of the service protocol: escaping a parameter
// value for the query of a request, and turning the escaped Polish letters of
// an answer back into letters. Text is cp1250 bytes; neither is a general URL
// codec.
#pragma once

#include <string>

// Escapes one parameter value in place: "%", the Polish letters, the signs
// ! # $ ^ & ) ( + " ' ? / \ : and CR, LF become "%" and two upper-case hex
// digits, a space becomes "+"; every other byte stays. Returns 0.
int EncodeParam(std::string& value);

// Escapes every byte above 127 of a request's target as "%" and two
// upper-case hex digits, which the service reads as the same byte; the rest
// stays. For a system whose code page is not cp1250, through which such a
// byte would reach the wire as another.
std::string EscapeHighBytes(const std::string& target);

// Decodes the upper-case escapes of the 18 Polish letters ("%B9" becomes the
// byte 0xB9, ...) in a NUL-terminated response, in place; nothing else is
// decoded. The text never grows and nothing past its terminator is touched; a
// null or empty buffer is left alone. Returns 0.
int DecodeResponse(char* buffer);

// The same on a string, embedded NUL bytes included. Returns 0.
int DecodeResponse(std::string& text);
