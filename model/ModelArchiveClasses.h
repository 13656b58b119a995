#pragma once

// Registers the archive class names of the records ("Entry", "Category",
// "Format", "Ping", "Template", "Attachment") with the keyed unarchiver. Runs
// when the library loads; calling it again is harmless.
void registerModelArchiveClasses();
