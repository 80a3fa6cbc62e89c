#pragma once

#include <functional>
#include <type_traits>
#include <utility>

namespace ostrel {

// One group of the model's published state with its change signal. Whoever holds it writes the
// group; everyone else reads it through the model. An assignment that leaves the group as it was
// says nothing, and `update` changes several values as one, so a view that follows a group hears
// once of each real change.
template <class Group>
class Published {
public:
    explicit Published(std::function<void()> changed, Group initial = {})
        : value_(std::move(initial))
        , changed_(std::move(changed))
    {
    }
    Published(const Published &) = delete;
    Published &operator=(const Published &) = delete;

    const Group &value() const { return value_; }
    const Group *operator->() const { return &value_; }

    template <class Field>
    void set(Field Group::*field, std::type_identity_t<Field> value)
    {
        if (value_.*field == value) {
            return;
        }
        value_.*field = std::move(value);
        changed_();
    }

    // Several values of the group at once, published as one change.
    template <class Edit>
    void update(Edit edit)
    {
        Group next = value_;
        edit(next);
        if (next == value_) {
            return;
        }
        value_ = std::move(next);
        changed_();
    }

private:
    Group value_;
    std::function<void()> changed_;
};

} // namespace ostrel
