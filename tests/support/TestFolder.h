#pragma once
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: the shipped database, the skins and an
// empty Back folder, with MEHRSAN_HOME pointing at it and the database open.
// With MEHRSAN_TEST_STORE=server the folder also holds a connection file to the
// test cluster (MEHRSAN_TEST_SERVER_STATE/url), whose database this test
// program has to itself and which starts from the shipped rows; the program
// then runs on the server, and sql() speaks to the server.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();

    QString path() const { return m_dir.path(); }
    QString databaseFile() const;
    bool isValid() const { return m_valid; }
    // True when the tests of this run use the server store.
    static bool onServer();
    // The test cluster's address (postgresql://...), empty when there is none.
    static QString serverUrl();

    // Runs SQL of the test's own on the database, on a connection of its own.
    // Returns the first column of every row.
    QStringList sql(const QString &statement, const QVariantList &values = {}) const;
    // Registers subjects straight into the database (no window involved).
    void addSubject(const QString &code, const QString &group = QStringLiteral("A"),
                    const QString &fname = QStringLiteral("علي"), const QString &lname = QStringLiteral("رضايي"));

    // On the server store: the program's connection opened again as the
    // owner of the tables (who may make or change them) instead of the operator.
    bool reopenAsOwner();

private:
    bool prepareServer();

    QTemporaryDir m_dir;
    bool m_valid = false;
};
