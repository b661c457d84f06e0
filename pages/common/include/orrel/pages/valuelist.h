// One attribute's values as text: a singly linked chain of ValueNode owned
// through its links, and ValueList, the head that a page (or a tool) keeps.
//
// Deleting a node deletes every node after it (the chain is owned through
// `next`); a node taken out alone is unlinked first (ValueList::RemoveAt).
// Destruction walks the chain iteratively, so long lists cannot exhaust the
// stack. Pure: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orrel {
namespace pages {

enum class ValueKind : int {
    Text = 0,       // plain text
    TypedName = 1,  // syntax 25: text = object name as stored, level, interval
    AclEntry = 3,   // syntax 17: text = protected attribute name, subject, privileges
};

struct ValueNode {
    ValueNode() = default;
    explicit ValueNode(std::string value, ValueKind k = ValueKind::Text)
        : kind(k), text(std::move(value))
    {
    }
    ValueNode(const ValueNode&) = delete;
    ValueNode& operator=(const ValueNode&) = delete;
    // Deletes the successors too, without recursion.
    ~ValueNode();

    ValueKind kind = ValueKind::Text;
    std::unique_ptr<ValueNode> next;
    std::string text;
    // Kind TypedName.
    uint32_t level = 0;
    uint32_t interval = 0;
    // Kind AclEntry.
    uint32_t privileges = 0;
    std::string subjectName;
};

class ValueList {
public:
    ValueList() = default;
    ValueList(const ValueList&) = delete;
    ValueList& operator=(const ValueList&) = delete;
    ValueList(ValueList&&) noexcept = default;
    ValueList& operator=(ValueList&&) noexcept = default;

    bool Empty() const noexcept { return !head_; }
    std::size_t Count() const noexcept;
    ValueNode* First() const noexcept { return head_.get(); }
    ValueNode* Last() const noexcept;
    // Node at a zero-based index, or null.
    ValueNode* At(std::size_t index) const noexcept;

    // Appends after the last node (or as the first); returns the node.
    ValueNode& Append(std::unique_ptr<ValueNode> node);
    ValueNode& Append(std::string text);
    // Unlinks and deletes one node; false when there is none at index.
    bool RemoveAt(std::size_t index) noexcept;
    // Swaps the nodes at index and index + 1 in the chain; false when either
    // is missing.
    bool SwapWithNext(std::size_t index) noexcept;
    // Deletes every node.
    void Clear() noexcept { head_.reset(); }

    // The head link itself, for code that walks or relinks the chain.
    std::unique_ptr<ValueNode>& Head() noexcept { return head_; }

    class Iterator {
    public:
        explicit Iterator(ValueNode* node) noexcept : node_(node) {}
        ValueNode& operator*() const noexcept { return *node_; }
        ValueNode* operator->() const noexcept { return node_; }
        Iterator& operator++() noexcept
        {
            node_ = node_->next.get();
            return *this;
        }
        bool operator!=(const Iterator& other) const noexcept { return node_ != other.node_; }
        bool operator==(const Iterator& other) const noexcept { return node_ == other.node_; }

    private:
        ValueNode* node_;
    };
    Iterator begin() const noexcept { return Iterator(head_.get()); }
    Iterator end() const noexcept { return Iterator(nullptr); }

private:
    std::unique_ptr<ValueNode> head_;
};

}  // namespace pages
}  // namespace orrel
