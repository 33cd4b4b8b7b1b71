// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for a running game in the single-instance tests: holds the data folder named by its
// argument, prints "holding", and "raised" for every request to come to the front.
#include "app/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    if (instance.claim() != SingleInstance::Claim::first)
        return 3;
    QObject::connect(&instance, &SingleInstance::raiseRequested, [] {
        std::puts("raised");
        std::fflush(stdout);
    });
    std::puts("holding");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
