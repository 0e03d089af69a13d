#pragma once

#include "tamu/CObject.h"

#include <cstdint>

namespace tamu {

class CSimpleHashTableTemplateBase : public CObject {};

// A chained hash table. Keys provide `hashOf(key)` (uint32_t) and `keysEqual(a, b)` through
// argument-dependent lookup; strings hash by code point so equal texts match in any encoding.
template <class K, class V>
class TSimpleHashTable : public CSimpleHashTableTemplateBase {
public:
    TSimpleHashTable() = default;
    TSimpleHashTable(const TSimpleHashTable&) = delete;
    TSimpleHashTable& operator=(const TSimpleHashTable&) = delete;
    ~TSimpleHashTable() override { clear(); }

    void put(const K& key, const V& value) {
        uint32_t hash = hashOf(key);
        if (Node* node = find(key, hash)) {
            node->value = value;
            return;
        }
        if (static_cast<double>(m_count + 1) >= m_bucketCount * m_maxLoadFactor)
            grow();
        Node*& head = m_buckets[hash % static_cast<uint32_t>(m_bucketCount)];
        head = new Node{hash, key, value, head};
        ++m_count;
    }

    // Null when the key is absent.
    V* get(const K& key) {
        Node* node = find(key, hashOf(key));
        return node ? &node->value : nullptr;
    }
    const V* get(const K& key) const { return const_cast<TSimpleHashTable*>(this)->get(key); }

    bool remove(const K& key) {
        if (m_bucketCount == 0)
            return false;
        uint32_t hash = hashOf(key);
        Node** link = &m_buckets[hash % static_cast<uint32_t>(m_bucketCount)];
        for (; *link; link = &(*link)->next) {
            Node* node = *link;
            if (node->hash == hash && keysEqual(node->key, key)) {
                *link = node->next;
                delete node;
                --m_count;
                return true;
            }
        }
        return false;
    }

    void clear() {
        for (int32_t b = 0; b < m_bucketCount; ++b) {
            for (Node* node = m_buckets[b]; node;) {
                Node* next = node->next;
                delete node;
                node = next;
            }
        }
        delete[] m_buckets;
        m_buckets = nullptr;
        m_bucketCount = 0;
        m_count = 0;
    }

    int32_t getCount() const { return m_count; }
    int32_t getBucketCount() const { return m_bucketCount; }

    // Visits every entry (in bucket order) as f(const K&, V&).
    template <class F>
    void forEach(F&& f) {
        for (int32_t b = 0; b < m_bucketCount; ++b) {
            for (Node* node = m_buckets[b]; node; node = node->next)
                f(static_cast<const K&>(node->key), node->value);
        }
    }

private:
    struct Node {
        uint32_t hash;
        K key;
        V value;
        Node* next;
    };

    Node* find(const K& key, uint32_t hash) const {
        if (m_bucketCount == 0)
            return nullptr;
        for (Node* node = m_buckets[hash % static_cast<uint32_t>(m_bucketCount)]; node;
             node = node->next) {
            if (node->hash == hash && keysEqual(node->key, key))
                return node;
        }
        return nullptr;
    }

    void grow() {
        int32_t newCount = 10;
        if (m_bucketCount > 0) {
            newCount = static_cast<int32_t>(m_bucketCount * m_growFactor);
            if (newCount <= m_bucketCount)
                newCount = m_bucketCount + 1;
        }
        Node** buckets = new Node*[newCount]();
        for (int32_t b = 0; b < m_bucketCount; ++b) {
            for (Node* node = m_buckets[b]; node;) {
                Node* next = node->next;
                Node*& head = buckets[node->hash % static_cast<uint32_t>(newCount)];
                node->next = head;
                head = node;
                node = next;
            }
        }
        delete[] m_buckets;
        m_buckets = buckets;
        m_bucketCount = newCount;
    }

    double m_maxLoadFactor = 0.8;
    double m_growFactor = 2.0;
    Node** m_buckets = nullptr;
    int32_t m_bucketCount = 0;
    int32_t m_count = 0;
};

} // namespace tamu
