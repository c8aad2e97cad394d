#pragma once

class QTemporaryDir;

namespace lumbex::test {

// Gives the test process the offscreen Qt platform, a fixed UTF-8 C locale, and its own empty
// home, data, settings and cache folders under `home`, so that no test reads or writes a real
// user's library. Call before the application object exists.
bool prepareTestEnvironment(const QTemporaryDir& home);

} // namespace lumbex::test
