// Conversions between the bound ODBC buffers of the statement and texts, numbers and
// date-times, and the small text helpers the statement and the data set share.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"
#include "platform/text_case.h"

namespace prenos {

enum class TStringTrimming { stTrimNone, stTrimTrailing, stTrimLeading, stTrimBoth };

// Element size of a buffer type (SQL_C_CHAR and SQL_C_BINARY 256); 0 for others.
SQLSMALLINT CTypeSize(SQLSMALLINT bufferType);
// The SQL type that matches a buffer type; 99 for one without a match.
SQLSMALLINT CTypeToSQLType(SQLSMALLINT bufferType);

// A cell as text: characters up to the zero, the 23-character scientific form of
// floating types (" 1.23000000000000E+0002"), decimal integers, "0"/"1" for bits,
// YYYY-MM-DD, HH:MM:SS, YYYY-MM-DD HH:MM:SS.fffffffff; binary and others give "".
std::string BufferToText(const void* buffer, SQLSMALLINT bufferType, TStringTrimming trimming);
// The fixed scientific form of a double used by BufferToText.
std::string FloatToSciText(double value);
double BufferToDouble(const void* buffer, SQLSMALLINT bufferType);
// Floating values rounded half to even; 64-bit values cut to their low 32 bits.
int32_t BufferToInteger(const void* buffer, SQLSMALLINT bufferType);
int64_t BufferToInt64(const void* buffer, SQLSMALLINT bufferType);

// Stores a text (trimmed first) into a buffer of `capacity` bytes in the buffer type;
// `length` receives the length/indicator value for the cell. SQL_C_CHAR keeps a
// terminating zero and is cut to capacity - 1; SQL_C_BINARY takes the bytes without a
// zero. False when the text does not convert (the buffer is then left unchanged).
bool TextToBuffer(const std::string& text, void* buffer, SQLSMALLINT bufferType,
                  TStringTrimming trimming, SQLLEN capacity, SQLLEN& length);

// Text read leniently as numbers: trimmed at both ends, false when it is not one.
bool TextToDouble(const std::string& text, double& out);
bool TextToInteger(const std::string& text, int32_t& out);

// Between a TIMESTAMP_STRUCT and a day count since 1899-12-30 (fraction: ms * 1000000).
TDateTime TimestampToDateTime(const SQL_TIMESTAMP_STRUCT& ts);
SQL_TIMESTAMP_STRUCT DateTimeToTimestamp(TDateTime value);
// The base value 1899-12-30 00:00:00.0.
SQL_TIMESTAMP_STRUCT ZeroTimestamp();
// Date or time into a timestamp (the other part from 1899-12-30 00:00:00) and back.
SQL_TIMESTAMP_STRUCT DateToTimestamp(const SQL_DATE_STRUCT& d);
SQL_TIMESTAMP_STRUCT TimeToTimestamp(const SQL_TIME_STRUCT& t);
SQL_DATE_STRUCT TimestampToDate(const SQL_TIMESTAMP_STRUCT& ts);
SQL_TIME_STRUCT TimestampToTime(const SQL_TIMESTAMP_STRUCT& ts);

// Trimming removes blanks and control characters from the ends the mode names.
std::string TrimByMode(const std::string& text, TStringTrimming mode);
std::string_view TrimView(std::string_view text, TStringTrimming mode);
// A name for generated SQL: unchanged when it holds " AS ", "{FN " (any case) or a
// double quote; in double quotes when it holds a blank or "$"; otherwise unchanged.
std::string QuoteIdentifier(const std::string& name);
// First entry equal to the text ignoring letter case, or -1.
int IndexOfText(const std::string& text, const std::vector<std::string>& list);

// Replaces every :name token outside single-quoted literals by "?" and appends the names
// to `names` (emptied first). Throws EQuarnel "Invalid parameter token in SQL statement."
// for a ":" with no name after it.
std::string ParseParamTokens(const std::string& sql, std::vector<std::string>& names);

}  // namespace prenos
