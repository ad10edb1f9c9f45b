#include "game/world/GWorkerSpacing.h"

#include "engine/core/CRect.h"
#include "game/world/GWorkerNode.h"

#include <algorithm>

namespace {

// Strict overlap: touching edges do not count.
bool overlaps(const CRect& a, const CRect& b) {
    return a.left < b.right && a.right > b.left && a.top < b.bottom && a.bottom > b.top;
}

bool isWalking(const GWorkerNode* worker) {
    return worker->getJobState() == GWorkerNode::JobToWork || worker->getJobState() == GWorkerNode::JobToHome;
}

} // namespace

GWorkerSpacing::~GWorkerSpacing() = default;

void GWorkerSpacing::addWorker(GWorkerNode* worker) {
    if (worker && m_workers.indexOf(worker) < 0)
        m_workers.push_back(worker);
}

void GWorkerSpacing::removeWorker(GWorkerNode* worker) {
    const int64_t index = m_workers.indexOf(worker);
    if (index >= 0)
        m_workers.erase(uint32_t(index));
}

void GWorkerSpacing::update(uint32_t elapsed) {
    if (m_countdown >= 0) {
        m_countdown -= int32_t(std::min<uint32_t>(elapsed, 0x7FFFFFFF));
        return;
    }
    m_countdown = m_period;
    if (m_workers.size() <= 1)
        return;
    m_walking.clear();
    for (GWorkerNode* worker : m_workers) {
        if (!isWalking(worker))
            continue;
        m_walking.push_back(worker);
        worker->setSpeed(worker->getWorkerConfig()->Velocity);
    }
    if (m_walking.size() <= 1)
        return;
    const GWorkerConfig* limits = m_walking.back()->getWorkerConfig();
    const int32_t fastest = limits->MaximumVelocity;
    const int32_t slowest = limits->MinimumVelocity;
    CArray<GWorkerNode*> seeds;
    while (m_walking.size() > 1) {
        // A group: the last walker and, depth first, every walker going its
        // way that overlaps one already in the group.
        m_group.clear();
        m_group.push_back(m_walking.back());
        m_walking.pop_back();
        seeds.clear();
        seeds.push_back(m_group[0]);
        while (!seeds.empty()) {
            GWorkerNode* seed = seeds.back();
            const CRect seedRect = seed->getRect();
            bool found = false;
            for (uint32_t i = 0; i < m_walking.size(); ++i) {
                GWorkerNode* other = m_walking[i];
                if (other == seed || other->getCurrentDirection() != seed->getCurrentDirection() ||
                    !overlaps(other->getRect(), seedRect))
                    continue;
                m_walking.eraseSwapLast(i);
                m_group.push_back(other);
                seeds.push_back(other);
                found = true;
                break;
            }
            if (!found)
                seeds.pop_back();
        }
        if (m_group.size() < 2)
            continue;
        // The walker with the least path left goes first (stable for ties).
        for (uint32_t i = 1; i < m_group.size(); ++i) {
            GWorkerNode* worker = m_group[i];
            uint32_t j = i;
            for (; j > 0 && m_group[j - 1]->getPath().size() > worker->getPath().size(); --j)
                m_group[j] = m_group[j - 1];
            m_group[j] = worker;
        }
        const int32_t step = (fastest - slowest) / int32_t(m_group.size() - 1);
        for (uint32_t k = 0; k < m_group.size(); ++k)
            m_group[k]->setSpeed(fastest - int32_t(k) * step);
    }
}
