// Runs every store test class in one executable.
#include "CloudStoreTest.h"
#include "KeyFolderTest.h"

#include <QCoreApplication>
#include <QTest>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    KeyFolderTest keyFolder;
    CloudStoreTest cloudStore;
    int failures = QTest::qExec(&keyFolder, argc, argv);
    failures += QTest::qExec(&cloudStore, argc, argv);
    return failures == 0 ? 0 : 1;
}
