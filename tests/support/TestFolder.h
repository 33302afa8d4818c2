#pragma once
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: the shipped database, the skins and an
// empty Back folder, with MEHRSAN_HOME pointing at it and the database open.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();

    QString path() const { return m_dir.path(); }
    QString databaseFile() const;
    bool isValid() const { return m_valid; }

    // Runs SQL of the test's own on the database, on a connection of its own.
    // Returns the first column of every row.
    QStringList sql(const QString &statement, const QVariantList &values = {}) const;
    // Registers subjects straight into the database (no window involved).
    void addSubject(const QString &code, const QString &group = QStringLiteral("A"),
                    const QString &fname = QStringLiteral("علي"), const QString &lname = QStringLiteral("رضايي"));

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};
