#pragma once
#include <QString>
#include <QStringList>

class TestFolder;

// Filling a test folder with subjects' answers and scores by plain SQL.
namespace SubjectRows {

// Ninety copies of one stored answer.
QStringList uniform(const QString &answer);
// Stores the answers (item 1 first) into the subject's Answer row.
void setAnswers(const TestFolder &folder, const QString &code, const QStringList &answers);
// Registers `count` subjects coded prefix0001, prefix0002 ... (more
// digits beyond 9999) in one statement;
// when `keyed`, each gets fifteen scores from 6 to 30 and their sum as kol.
void addMany(const TestFolder &folder, int count, const QString &prefix, bool keyed);
// Registers one subject with these answers (item 1 first) and, when `keyed`,
// the sixteen scores keying stores for them.
void addAnswered(const TestFolder &folder, const QString &code, const QStringList &answers, const QString &group,
                 const QString &sex, bool keyed = true);

}  // namespace SubjectRows
