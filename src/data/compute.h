// Compute expressions: a small statement and condition language over the
// items of one record.
//
// Operands are decimal literals or item names (read with GetNum; an unknown
// name reads as -1, an empty operand as -1 without a message). A literal has
// no sign; one beyond the 32-bit range saturates at INT32_MAX. Arithmetic is
// signed 32-bit and strictly left to right, without precedence ("10-4/2" is
// 3); a sum, difference or product that overflows wraps to 32 bits. Division
// truncates toward zero and "%" keeps the sign of the dividend; a division or
// remainder by zero, and INT32_MIN divided by -1 (or its remainder), cannot
// be evaluated: the statement, bracket or condition that holds it fails.
//
// Brackets are evaluated first, innermost and leftmost first, over the whole
// text, and each pair is replaced by its value written as a decimal number.
// Within the ComputeRecord or CompareRecord call that wrote it, a negative
// value reads back as itself: "a=(0-3)" stores -3, not the empty operand (-1)
// minus 3 that the rewritten text "a=-3" would read as on its own.
// The texts given to ComputeRecord, CompareRecord and brackets are rewritten
// in place (blanks and tabs removed, brackets replaced): a caller that needs
// a text again, or that evaluates a stored text, passes a copy. Every text is
// a terminated string inside a buffer of `size` bytes; nothing is read or
// written outside that buffer.
//
// An operand, or a target name, ends at one of the operator characters
// = + - / * ; > < ! | & % (a two-byte character is never split, so its second
// byte is never taken for one), so a reference name ".key:value.field" works
// as an operand.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// Bracket rewriting keeps at most this many characters on each side of the
// bracket pair it replaces.
inline constexpr size_t kComputeSideLimit = 1023;

// Runs the statements of a compute text against `record`:
//   name=expression          name := expression
//   name+=e  -=  *=  /=  %=  |=   name := name op e (| is bitwise OR; the
//                            character after the operator is skipped
//                            whatever it is)
//   name++  name--           name := name +/- 1
//   stringname=text          for an ITEMstring item: the text up to the next
//                            ";" (or the end) is stored unevaluated with SetStr
//                            and the copy is logged
// Statements are separated by ";"; the run ends at the end of the text or at
// a statement that stops right before a newline. All brackets of the whole
// text are evaluated before the first statement runs, with the values as they
// are then.
// Returns 1 after the last statement ran. Returns 0 when:
//  - a bracket cannot be rewritten (see `brackets`): logs
//    "ComputeRecord() brackets() error" and runs no statement;
//  - a statement has an unknown operator: prints "Compute error! -%s-\n"
//    (the text from the operator on) to standard output;
//  - a statement divides by zero or INT32_MIN by -1: logs
//    "ComputeRecord() divide error -%s-" (the statement) and leaves its target
//    as it was;
//  - the record is none, or the text is null or not terminated within `size`.
// Statements before a failing one keep their effect.
int ComputeRecord(Handle record, char* text, size_t size);

// Evaluates a condition text for `record`: relations "left cmp right" joined
// by connectors, strictly left to right. Comparisons: == != > < >= <=; a
// single "=" or "!" compares as false. Connectors: "&&" or "&", "||" or "|";
// after an "or", as soon as the relation or the result so far is true the
// answer is 1 without reading further.
// Returns 1 for true, 0 for false. Also 0 (false):
//  - a relation without a comparison character;
//  - a relation with a second comparison character ("a==1==2"): that relation
//    is false and evaluation goes on at the next connector;
//  - a bracket that cannot be rewritten: logs "CompareRecord() brackets() error";
//  - a division by zero or INT32_MIN / -1: logs "CompareRecord() divide error -%s-"
//    (the condition);
//  - a none record, or a text that is null or not terminated within `size`.
// A ";" ends the condition: what follows it is not read.
int CompareRecord(Handle record, char* text, size_t size);

// Replaces the innermost (first closed) bracket pair of `text` with the value
// of the expression it holds, written as a decimal number ("-" when
// negative). Returns 0 when a pair was replaced, 1 when the text has no "(",
// and -1 (the text is left as it was) when:
//  - a "(" has no ")", or the first ")" has no "(" before it;
//  - more than kComputeSideLimit characters lie before the "(" or after the
//    ")", or the rewritten text would not fit in `size` bytes;
//  - the expression divides by zero or INT32_MIN by -1 (logs
//    "brackets() divide error -%s-" with the expression);
//  - the text is null or not terminated within `size`.
// Blanks are not removed here.
int brackets(Handle record, char* text, size_t size);

// Logs every active record's ITEMstring items as "%s   %s" (name, text) and
// ITEMlong items as "%s   %d" (name, value), record by record, item by item;
// an item a record lacks (it was made before the item was declared) is
// skipped, and a string is read no further than its item's size.
// Returns 0, or 1 when the resource is none or has no items.
int DumpRecordItems(Handle resource);

// For each item of the source record's resource, in item order, that the
// target record's resource also has under the same name: an ITEMstring
// target item receives the source's string (when the source's item is a
// string too) through SetStr; an ITEMlong target item receives the source's
// GetNum through SetNum unless that is -1. Returns 0 (also when either record
// is none), or 1 when the source's resource has no items.
int CopyRecordItems(Handle source, Handle target);

// The first active record of `resource` (from top) whose ITEMstring item
// `name` holds a condition that is true for `subject` (CompareRecord). The
// stored condition is evaluated on a copy and never rewritten, so a condition
// with brackets gives the right answer every time it is searched. None when
// the resource has no items, `name` is null or not a string item of the
// resource, or no condition holds; the search stops with none at the first
// record that lacks the item (a record made before the item was declared).
Handle FindRecordByCompare(Handle resource, Handle subject, const char* name);

}  // namespace vadu
