#pragma once
// Ending the application.

namespace ximora::app {

/// Writes the environment document to "User.xml" and releases the settings store, closes every
/// other window and, unless `keepMain`, the main window too, then drops the main window
/// reference. Safe to call again: a released store is not written twice.
void EndApp(bool keepMain);

}  // namespace ximora::app
