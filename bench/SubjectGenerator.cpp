#include "SubjectGenerator.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

bool makeProgramFolder(const QString &folder, const QString &built)
{
    QDir dir(folder);
    dir.mkpath("DBTavor");
    dir.mkpath("Back");
    QFile::remove(dir.filePath("DBTavor/DBTavor.mdb"));
    if (!QFile::copy(QDir(built).filePath("DBTavor/DBTavor.mdb"), dir.filePath("DBTavor/DBTavor.mdb")))
        return false;
    QFile::setPermissions(dir.filePath("DBTavor/DBTavor.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &skin : QDir(built).entryList({"*.skn"}, QDir::Files)) {
        QFile::remove(dir.filePath(skin));
        QFile::copy(QDir(built).filePath(skin), dir.filePath(skin));
    }
    return true;
}

bool generateSubjects(const QString &databaseFile, int count)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "generator");
        db.setDatabaseName(databaseFile);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        q.exec("PRAGMA synchronous=OFF");
        db.transaction();
        const QStringList names = {"علي", "مريم", "رضا", "زهرا", "حسين", "فاطمه", "سارا", "محمد"};
        const QStringList families = {"رضايي", "احمدي", "کريمي", "موسوي", "حسيني", "جعفري"};
        QStringList answerColumns, marks;
        for (int i = 1; i <= 90; ++i) {
            answerColumns << QString("\"%1\"").arg(i);
            marks << "?";
        }
        QSqlQuery ide(db), answer(db);
        ide.prepare("INSERT INTO IDE (Code, FName, LName, Sen, Jens, Taahol, Tahsil, \"Group\", Date, Time, "
                    "khodagahi, ebrazevojood, ezatenafs, khoodshkofaee, esteghlal, hamdeli, masooliatpaz, ravabet, "
                    "halemas, vaghegaraee, enetafpaz, tahalol, control, khooshbini, shadmani, kol) VALUES "
                    "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        answer.prepare("INSERT INTO Answer (Code, " + answerColumns.join(',') + ") VALUES (?, " + marks.join(',') + ")");
        QRandomGenerator random(1402);
        for (int n = 1; n <= count && ok; ++n) {
            int values[91];
            for (int i = 1; i <= 90; ++i)
                values[i] = 1 + int(random.bounded(5));
            const QString code = "S" + QString::number(n);
            ide.addBindValue(code);
            ide.addBindValue(names[n % names.size()]);
            ide.addBindValue(families[n % families.size()]);
            ide.addBindValue(QString::number(18 + n % 50));
            ide.addBindValue(n % 2 ? QString("زن") : QString("مرد"));
            ide.addBindValue(n % 3 ? QString("مجرد") : QString("متأهل"));
            ide.addBindValue(QString("کارشناسي"));
            ide.addBindValue(QString(QChar('A' + n % 7)));
            ide.addBindValue(QString("1405/09/17"));
            ide.addBindValue(QString("10:30:00"));
            int total = 0;
            for (int k = 1; k <= 15; ++k) {
                int sum = 0;
                for (int i = k; i <= 90; i += 15)
                    sum += values[i];
                total += sum;
                ide.addBindValue(QString::number(sum));
            }
            ide.addBindValue(QString::number(total));
            answer.addBindValue(code);
            for (int i = 1; i <= 90; ++i)
                answer.addBindValue(QString::number(values[i]));
            ok = ide.exec() && answer.exec();
            if (!ok)
                qWarning("generator: %s %s", qPrintable(ide.lastError().text()), qPrintable(answer.lastError().text()));
        }
        ok = db.commit() && ok;
        db.close();
    }
    QSqlDatabase::removeDatabase("generator");
    return ok;
}
