// The transcript: one UTF-8 line for each thing the player was shown, in
// order, for author tools and tests (`vadu --transcript FILE`). Each line is
// "KIND: TEXT"; the kinds are listed in docs/FORMATS.md. Engine text is
// given in CP932 and converted here, at the edge.
#pragma once

namespace vadu {

// Creates (or empties) the transcript file. False when it cannot be made;
// nothing is recorded then.
bool OpenTranscript(const char* path);

// Closes the transcript file; later lines are dropped.
void CloseTranscript();

// True while a transcript file is open.
bool TranscriptOpen();

// Writes "KIND: TEXT" and a line feed, TEXT converted from CP932 to UTF-8.
// A line feed inside TEXT is written as "\n", a carriage return as "\r" and
// a backslash as "\\", so every record stays one line. Each line is flushed
// at once: a run that is cut short keeps what it showed.
void TranscriptLine(const char* kind, const char* text);

// TranscriptLine with a printf format for the text.
void TranscriptLinef(const char* kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace vadu
