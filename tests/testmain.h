#pragma once
// As QTEST_MAIN, with the application set up as the program sets it up
// before its window: style, palette, font and screen readers' factories.

#include "app/applicationsetup.h"

#include <QTest>

#define VEXMO_TEST_MAIN(TestObject) QTEST_MAIN_WRAPPER(TestObject, QTEST_MAIN_SETUP() setUpApplication();)
