// How the section writers write one element: zero the area, ask the collector's slot, write
// the element. Sections list their elements in tables of name and slot, in report order.
#pragma once

#include <cstddef>
#include <cstring>

#include "app/globals.h"
#include "common/capacities.h"
#include "report/sorvik_out.h"

typedef char ElementValue[kElementValueCapacity + 1];

// Zero-fills `value` and asks `slot` of `collector` for it; returns the slot's answer.
template <class Collector>
bool AskSlot(Collector* collector, bool (Collector::*slot)(char* output, int capacity),
             ElementValue& value) {
  std::memset(value, 0, sizeof(value));
  return (collector->*slot)(value, kElementValueCapacity);
}

// An element and the slot that answers its value.
template <class Collector>
struct SlotElement {
  const char* name;
  bool (Collector::*slot)(char* output, int capacity);
};

// What an element holds when its slot answers false: whatever the slot left in the area,
// or nothing.
enum SlotFailure { kKeepText, kEmptyText };

template <class Collector, size_t N>
void WriteSlotElements(int level, Collector* collector, const SlotElement<Collector> (&elements)[N],
                       SlotFailure failure) {
  for (const SlotElement<Collector>& element : elements) {
    ElementValue value;
    if (!AskSlot(collector, element.slot, value) && failure == kEmptyText) value[0] = '\0';
    g_pOut->WriteElement(level, element.name, value);
  }
}

// An element whose value is a number, written as "%d" does.
void WriteNumberElement(int level, const char* name, int number);
