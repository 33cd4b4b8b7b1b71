// Tests of the store over real folders; "another machine" is a second store on the same sync
// folder, or a plain file written into it.
#pragma once

#include <QObject>

class CloudStoreTest : public QObject {
    Q_OBJECT

private slots:
    void localOnlyStoreWritesLocallyAndNeverCallsBack();
    void setWritesBothSidesAlike();
    void reportsOnlyChangesFromOutside();
    void ignoresFilesThatAreNotKeys();
    void noticesRenamesAndRewritesWithoutRescan();
    void burstOfWritesIsOneReport();
    void callbackRunsOnlyLaterAndWhileStoreLives();
    void unusableSyncFolderLeavesStoreLocal();
    void keepsReportingAfterFolderIsRecreated();
    void attachReportsPresentKeysAndDetachStops();
};
