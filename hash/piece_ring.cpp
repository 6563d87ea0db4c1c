#include "hash/piece_ring.h"

#include "support/exclusive_lock.h"

CPieceRing::CPieceRing(int consumers, int buffers, DWORD bufferBytes)
    : m_consumers(consumers),
      m_bufferBytes(bufferBytes),
      m_memory(new BYTE[static_cast<size_t>(buffers) * bufferBytes]),
      m_lengths(buffers, 0),
      m_pendingConsumers(buffers, 0)
{
}

BYTE* CPieceRing::Buffer(ULONGLONG piece) const { return m_memory.get() + Slot(piece) * m_bufferBytes; }

BYTE* CPieceRing::Room(DWORD& room)
{
    CExclusiveLock lock(m_lock);
    const size_t slot = Slot(m_publishedPieces);
    lock.WaitFor(m_released, [&] { return m_pendingConsumers[slot] == 0; });
    room = m_bufferBytes;
    return Buffer(m_publishedPieces);
}

void CPieceRing::Publish(DWORD length)
{
    {
        CExclusiveLock lock(m_lock);
        const size_t slot = Slot(m_publishedPieces);
        m_lengths[slot] = length;
        m_pendingConsumers[slot] = m_consumers;
        ++m_publishedPieces;
    }
    WakeAllConditionVariable(&m_published);
}

void CPieceRing::End()
{
    {
        CExclusiveLock lock(m_lock);
        m_ended = true;
    }
    WakeAllConditionVariable(&m_published);
}

void CPieceRing::Drain(const FilePieceSink& consume)
{
    for (ULONGLONG piece = 0;; ++piece) {
        DWORD length = 0;
        {
            CExclusiveLock lock(m_lock);
            lock.WaitFor(m_published, [&] { return piece < m_publishedPieces || m_ended; });
            if (piece == m_publishedPieces)
                return;
            length = m_lengths[Slot(piece)];
        }
        consume(Buffer(piece), length);
        bool lastConsumer = false;
        {
            CExclusiveLock lock(m_lock);
            lastConsumer = --m_pendingConsumers[Slot(piece)] == 0;
        }
        if (lastConsumer)
            WakeConditionVariable(&m_released);
    }
}
