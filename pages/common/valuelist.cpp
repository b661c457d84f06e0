#include "orrel/pages/valuelist.h"

#include <utility>

namespace orrel {
namespace pages {

ValueNode::~ValueNode()
{
    // Unlink the successors one by one so that each is destroyed with no
    // successor of its own: no recursion however long the chain.
    std::unique_ptr<ValueNode> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
}

std::size_t ValueList::Count() const noexcept
{
    std::size_t n = 0;
    for (const ValueNode* node = head_.get(); node; node = node->next.get()) ++n;
    return n;
}

ValueNode* ValueList::Last() const noexcept
{
    ValueNode* node = head_.get();
    while (node && node->next) node = node->next.get();
    return node;
}

ValueNode* ValueList::At(std::size_t index) const noexcept
{
    ValueNode* node = head_.get();
    while (node && index--) node = node->next.get();
    return node;
}

ValueNode& ValueList::Append(std::unique_ptr<ValueNode> node)
{
    node->next.reset();
    std::unique_ptr<ValueNode>* link = &head_;
    while (*link) link = &(*link)->next;
    *link = std::move(node);
    return **link;
}

ValueNode& ValueList::Append(std::string text)
{
    return Append(std::make_unique<ValueNode>(std::move(text)));
}

bool ValueList::RemoveAt(std::size_t index) noexcept
{
    std::unique_ptr<ValueNode>* link = &head_;
    while (*link && index--) link = &(*link)->next;
    if (!*link) return false;
    std::unique_ptr<ValueNode> node = std::move(*link);
    *link = std::move(node->next);  // the node goes alone
    return true;
}

bool ValueList::SwapWithNext(std::size_t index) noexcept
{
    std::unique_ptr<ValueNode>* link = &head_;
    while (*link && index--) link = &(*link)->next;
    if (!*link || !(*link)->next) return false;
    // link -> a -> b -> rest  becomes  link -> b -> a -> rest
    std::unique_ptr<ValueNode> a = std::move(*link);
    std::unique_ptr<ValueNode> b = std::move(a->next);
    a->next = std::move(b->next);
    b->next = std::move(a);
    *link = std::move(b);
    return true;
}

}  // namespace pages
}  // namespace orrel
