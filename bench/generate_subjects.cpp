// generate_subjects FOLDER COUNT: a program folder whose database holds COUNT subjects.
#include "SubjectGenerator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        fprintf(stderr, "usage: generate_subjects FOLDER COUNT\n");
        return 2;
    }
    if (!makeProgramFolder(args[1], QStringLiteral(MEHRSAN_PROGRAM_DIR)) ||
        !generateSubjects(args[1] + "/DBTavor/DBTavor.mdb", args[2].toInt()))
        return 1;
    printf("%s: %d subjects\n", qPrintable(args[1]), args[2].toInt());
    return 0;
}
