// The element kinds the host knows, one row each: the variables an element binds, the
// values the host keeps of it, how a frame evaluates it, and how it is painted and
// dumped. Everything in the host that treats elements by kind goes through this table;
// a kind it does not list (a slider, say) is evaluated, painted and dumped as nothing.
//
// To add a kind: a row in kElementKinds (element_kinds.cpp), its bindings and dump
// fields there, a method of ElementPainter and its drawing in the renderer, and the
// count below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/sim/variables.h"
#include "sdk/records.h"

class JsonWriter;

inline constexpr int kMaxBindings = 3;  // a sprite's x, y and angle; a string's three sources

// A variable binding of a placed element, resolved when the gauge is placed.
struct Binding {
    ModuleVar* var = nullptr;
    VarSlot slot;  // where its token's value lives (unknown: the frame reports it)
};

struct ElementKind;

// What the host keeps of one element of a placed gauge after an evaluation.
struct ElementState {
    ElementHeader* element = nullptr;
    const ElementKind* kind = nullptr;  // its row; null for a kind the host does not know
    int index = 0;                      // 1 = root, counted in drawing order
    double value = 0.0;                 // needle, icon, string: the value; moving image: y value; sprite: angle
    double value_x = 0.0;               // moving image and sprite: x value
    double value_y = 0.0;               // sprite: y value
    double angle = 0.0;                 // sprite: turn value
    std::string text;                   // string element: the text the callback wrote
    std::vector<char> text_buffer;      // string element: the buffer it writes into, char_count + 1 bytes
    int binding_count = 0;
    Binding bindings[kMaxBindings];
};

// How a painter draws each kind; the renderer implements it.
class ElementPainter {
public:
    virtual ~ElementPainter() = default;
    virtual void static_image(const ElementHeader& element, const ElementState& state) = 0;
    virtual void needle(const Needle& element, const ElementState& state) = 0;
    virtual void string(const StringElement& element, const ElementState& state) = 0;
    virtual void icon(const Icon& element, const ElementState& state) = 0;
    virtual void moving_image(const MovingImage& element, const ElementState& state) = 0;
    virtual void sprite(const Sprite& element, const ElementState& state) = 0;
};

struct ElementKind {
    uint32_t kind;      // ELEMENT_*
    const char* name;   // as the dump names it
    int binding_count;  // variable bindings, in the order a frame refreshes them
    ModuleVar& (*binding)(ElementHeader& element, int i);
    // The callback that gives the value, or null (also when the kind has none).
    ValueCallback (*callback)(const ElementHeader& element);
    int value_binding;  // the binding whose number is the value without a callback; -1: no value
    // The values besides the main one, from the bindings' numbers (null: none).
    void (*other_values)(ElementState& state, const double* numbers);
    bool writes_text;  // a text buffer of char_count + 1 bytes, its text traced after the callback
    void (*paint)(ElementPainter& painter, const ElementState& state);
    void (*dump)(const ElementHeader& element, JsonWriter& json);  // the kind's own fields
};

inline constexpr size_t kElementKindCount = 6;

// The row of a kind, or null for a kind the host does not know.
const ElementKind* find_element_kind(uint32_t kind);
// Every row, kElementKindCount of them.
const ElementKind* element_kinds();

// Makes the state of an element for a placement: its row, its bindings resolved, its
// text buffer sized.
ElementState element_state(ElementHeader* element, int index);
// Before a string element's callback: its text buffer emptied and handed to the record.
void give_text_buffer(ElementState& state);
