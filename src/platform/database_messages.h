// The failures of the database engines in the program's words: a French
// sentence chosen by the engine's code (SQLite's result codes, the server's
// SQLSTATE), the engine's own text after it as the detail. Internal to the
// database link.
#pragma once

#include <string>

class QSqlError;

// The sentence, then "Détail : " and the engine's text on one line (nothing
// more when the text is empty).
std::string WithDetail(const std::string& sentence, const std::string& engineText);
// An SQLite failure: its result code (extended or primary) and message.
std::string SqliteWords(int code, const std::string& message);
// A failure of Qt's SQLite driver (opening the file).
std::string ErrorText(const QSqlError& e);
// A server failure: its SQLSTATE and primary message (nullptr when the client
// library failed alone), the text to show as detail, and whether the
// connection is lost.
std::string PostgresWords(const char* state, const char* primary, const std::string& text, bool connectionBad);
// The refusal of an unknown connection parameter, naming the accepted ones.
std::string UnknownParameterText(const std::string& name);
