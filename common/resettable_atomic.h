// An atomic that a record holding it can reset with `= {}`: copying one
// takes its value. The copy itself is two steps, a load and a store, so
// reset a record only while no other thread uses it.
#pragma once

#include <atomic>

template <typename T>
struct ResettableAtomic : std::atomic<T> {
    ResettableAtomic() : std::atomic<T>(T{}) {}
    ResettableAtomic(const ResettableAtomic& other) : std::atomic<T>(other.load()) {}
    ResettableAtomic& operator=(const ResettableAtomic& other) {
        this->store(other.load());
        return *this;
    }
    using std::atomic<T>::operator=;
};
