#pragma once

// Events: callbacks bound to an object. An event compares equal to another when both call the
// same function on the same object, which is what the port's handler setters and the signal
// indicator's unhooking test. (The setters compare function and object: a handler that
// differs only in its bound object is taken over.)

#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace korvalesen {

template <class... Args>
class Event {
 public:
  Event() = default;
  Event(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): "no handler"

  // `method` of `object`.
  template <class T, class U>
  requires std::is_base_of_v<U, T> Event(T* object, void (U::*method)(Args...))
      : object_(static_cast<U*>(object)),
        key_(Key::Of(method)),
        call_([object = static_cast<U*>(object), method](Args... args) {
          (object->*method)(std::forward<Args>(args)...);
        }) {}

  // A free function, bound to no object.
  Event(void (*function)(Args...)) : key_(Key::Of(function)), call_(function) {}  // NOLINT

  // Any callable; `object` and `function_key` stand for the binding in comparisons.
  static Event Bind(const void* object, const void* function_key,
                    std::function<void(Args...)> call) {
    Event e;
    e.object_ = object;
    e.key_ = Key::Of(function_key);
    e.call_ = std::move(call);
    return e;
  }

  explicit operator bool() const { return static_cast<bool>(call_); }
  void operator()(Args... args) const { call_(std::forward<Args>(args)...); }

  const void* Object() const { return object_; }
  bool SameFunction(const Event& other) const { return key_ == other.key_; }
  bool operator==(const Event& other) const {
    return object_ == other.object_ && key_ == other.key_ &&
           static_cast<bool>(call_) == static_cast<bool>(other.call_);
  }

 private:
  // The identity of a function: the type and the bytes of the pointer to it.
  struct Key {
    const std::type_info* type = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> bytes{};

    template <class P>
    static Key Of(P pointer) {
      static_assert(sizeof(P) <= sizeof(bytes));
      Key key;
      key.type = &typeid(P);
      std::memcpy(key.bytes.data(), &pointer, sizeof(P));
      return key;
    }
    bool operator==(const Key& other) const {
      if (type == nullptr || other.type == nullptr) return type == other.type;
      return *type == *other.type && bytes == other.bytes;
    }
  };

  const void* object_ = nullptr;
  Key key_;
  std::function<void(Args...)> call_;
};

}  // namespace korvalesen
