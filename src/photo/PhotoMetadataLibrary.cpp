// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/PhotoMetadataLibrary.h"

#include <exiv2/exiv2.hpp>

namespace kelvara {

namespace {

void LockXmp(void* lock, bool lockIt) {
    auto* mutex = static_cast<std::mutex*>(lock);
    if (lockIt)
        mutex->lock();
    else
        mutex->unlock();
}

} // namespace

TPhotoMetadataLibrary::TPhotoMetadataLibrary()
    : m_previousLevel(Exiv2::LogMsg::level()), m_previousHandler(Exiv2::LogMsg::handler()) {
    Exiv2::XmpParser::initialize(LockXmp, &m_xmpLock);
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::LogMsg::setHandler(nullptr);
#if defined(EXV_ENABLE_BMFF) && EXIV2_TEST_VERSION(0, 27, 4) && !EXIV2_TEST_VERSION(0, 28, 3)
    // From 0.28.3 on, a library built with BMFF support has it always on and
    // the switch is deprecated.
    Exiv2::enableBMFF(true);
#endif
}

TPhotoMetadataLibrary::~TPhotoMetadataLibrary() {
    Exiv2::XmpParser::terminate();
    Exiv2::LogMsg::setHandler(m_previousHandler);
    Exiv2::LogMsg::setLevel(static_cast<Exiv2::LogMsg::Level>(m_previousLevel));
}

} // namespace kelvara
