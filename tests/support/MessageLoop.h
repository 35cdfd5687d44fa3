#pragma once

/** Delivers every message already posted to the message thread, as its loop would; call it on
    the message thread (the test's main thread). */
void deliverPendingMessages();
