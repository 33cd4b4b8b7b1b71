// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every store test class in one executable.
#include "StoreTestSupport.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int failures = runKeyFolderTests(argc, argv) + runCloudStoreTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
