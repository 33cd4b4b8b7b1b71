// Tests of one folder of key files: atomic replacement, what reads as nothing, refused keys.
#pragma once

#include <QObject>

class KeyFolderTest : public QObject {
    Q_OBJECT

private slots:
    void writesReplaceWholeValues();
    void unusableFilesReadAsNothing();
    void unsafeKeysAreRefused_data();
    void unsafeKeysAreRefused();
    void onlyKeyFilesNameKeys_data();
    void onlyKeyFilesNameKeys();
    void staleTemporariesAreSwept();
};
