#pragma once

namespace ostrel::test {

// Makes sure one Qt application object exists for the whole test executable: a
// QApplication (offscreen unless the environment says otherwise) when widgets are linked in
// through OSTREL_TEST_WIDGETS, else a QCoreApplication. Call it from SetUp or SetUpTestSuite.
void ensureApplication();

} // namespace ostrel::test
