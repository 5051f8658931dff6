#pragma once
// Containers that own the objects their pointers point to.
#include <list>
#include <vector>

// Deletes every non-null element in index order, then empties the array.
template <typename T>
void DeleteAllArrayItems(std::vector<T*>& items) {
  for (T* item : items) delete item;
  items.clear();
  items.shrink_to_fit();
}

// Deletes every non-null element from head to tail, then removes all nodes.
template <typename T>
void DeleteAllListItems(std::list<T*>& items) {
  for (auto it = items.begin(); it != items.end();) {
    T* item = *it;
    ++it;
    delete item;
  }
  items.clear();
}
