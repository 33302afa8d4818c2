#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Tools of the fault tests: the child program that does real work until it is
// killed, and looks at a database file from outside the program.
namespace FaultTools {

// Starts tests' fault_child with the job and its arguments on the program
// folder; its stdout is read by the test.
bool startChild(QProcess &child, const QString &programFolder, const QStringList &arguments);
// Waits until the child has said "open" (its start is done); false when it
// ended first or took too long.
bool waitUntilOpen(QProcess &child, int timeoutMs = 20000);
// kill -9, then waits for the end.
void killHard(QProcess &child);
// The numbers the child acknowledged with "ok <n>", in order, from all it wrote.
QList<qint64> acknowledged(const QByteArray &output);

// SQLite's integrity check of a file, opened read-only.
QString integrityOf(const QString &file);
QByteArray hashOf(const QString &file);
// Writes `bytes` at `offset` into the file.
bool overwrite(const QString &file, qint64 offset, const QByteArray &bytes);
// Where `text` first stands in a leaf page of a table (page type 13), as a
// byte offset into the file; -1 when no such page holds it.
qint64 inTablePage(const QString &file, const QByteArray &text);
// The root page number of a table or index, from the schema.
int rootPage(const QString &file, const QString &name);
int pageSize(const QString &file);

}  // namespace FaultTools
