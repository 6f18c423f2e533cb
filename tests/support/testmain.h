// Registry that lets one test executable per area run every test class of the area.
#pragma once
#include <QObject>
#include <functional>

namespace rztest {
using Factory = std::function<QObject *()>;
int registerTest(const char *name, Factory factory);
}  // namespace rztest

#define RZ_REGISTER_TEST(Cls) \
    static const int rzRegistered_##Cls = rztest::registerTest(#Cls, [] { return static_cast<QObject *>(new Cls); });
