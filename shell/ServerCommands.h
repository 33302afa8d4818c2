#pragma once
#include <QStringList>

// The command-line tasks that point a computer at a PostgreSQL server and move
// the rows between it and a database file:
//   Mehrsan --connect postgresql://user@host:port/database[?sslmode=...]
//   Mehrsan --copy-to-server [database file]
//   Mehrsan --copy-from-server <new database file>
//   Mehrsan --recount   (the kept score counts against a recount of the rows)
// Each says in Persian what it did and returns the program's exit status; -1
// when the arguments name none of them (the windows start as usual).
namespace ServerCommands {

enum Status {
    NotACommand = -1,
    Done = 0,
    Differed = 1,
    BadArguments = 2,
    Unreachable = 3,
    Refused = 4,
    Failed = 5,
};

int run(const QStringList &arguments);

}  // namespace ServerCommands
