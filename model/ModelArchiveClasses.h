#pragma once

// Registers the archive class names of the records ("Entry", "Category",
// "Format", "Ping", "Template", "Attachment", "ImageAttachment",
// "MovieAttachment") with the keyed unarchiver, and the media classes with the
// attachment factory. Runs when the library loads; calling it again is harmless.
void registerModelArchiveClasses();
// Makes pictures ImageAttachments and movies MovieAttachments (part of the above).
void registerMediaFactories();
