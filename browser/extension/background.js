// Velloway's side in the browser: answers the program's JSON requests,
// relayed by the native host, for the windows and tabs of this browser and
// for running the bundled playback program in a YouTube Music tab. The
// program sends an action (a name and its arguments), never code: the
// action is passed to the bundled function as its argument. Without the
// "tabs" permission the browser shows this extension only the addresses of
// tabs it may script (YouTube Music); every other tab's address stays hidden.
// Chromium runs this file as a service worker; Firefox as a background page
// whose manifest loads the page program first.
if (typeof importScripts === 'function')
    importScripts('playback.js');

const hostName = 'org.velloway.browser_host';
const maxMessageBytes = 65536;
// Addresses are the only sizeable part of a listing; past this budget they
// are left out so the answer always fits one message.
const maxAddressBytes = 48000;
const maxWindows = 64;
const maxTabs = 256;

let retryDelay = 1000;

function byteLength(text) {
    return new TextEncoder().encode(text).length;
}

async function listWindows() {
    const windows = await chrome.windows.getAll({ populate: true, windowTypes: ['normal', 'popup', 'app'] });
    let budget = maxAddressBytes;
    return {
        windows: windows.slice(0, maxWindows).map((window) => ({
            id: window.id,
            tabs: (window.tabs || []).slice(0, maxTabs).map((tab) => {
                const address = tab.url || '';
                const size = byteLength(address);
                if (size > budget)
                    return '';
                budget -= size;
                return address;
            }),
        })),
    };
}

async function findTab(message) {
    if (!Number.isInteger(message.window) || !Number.isInteger(message.index))
        return null;
    const tabs = await chrome.tabs.query({ windowId: message.window, index: message.index });
    return tabs.length > 0 ? tabs[0] : null;
}

async function answer(message) {
    switch (message.type) {
    case 'list':
        return listWindows();
    case 'tab': {
        const tab = await findTab(message);
        return tab ? { url: tab.url || '' } : { error: 'noTab' };
    }
    case 'run': {
        const action = message.action;
        if (!action || typeof action !== 'object' || Array.isArray(action) ||
            typeof action.name !== 'string')
            return { error: 'unknown' };
        const tab = await findTab(message);
        if (!tab)
            return { error: 'noTab' };
        const results = await chrome.scripting.executeScript({
            target: { tabId: tab.id },
            world: 'ISOLATED',
            func: youTubePlayback,
            args: [action],
        });
        const result = results && results.length > 0 ? results[0].result : undefined;
        // Only an object is an answer; one too large for a message is
        // dropped below, and the program reads that as no result.
        if (!result || typeof result !== 'object' || Array.isArray(result))
            return {};
        return { result };
    }
    default:
        return { error: 'unknown' };
    }
}

function connect() {
    const port = chrome.runtime.connectNative(hostName);
    port.onMessage.addListener(async (message) => {
        retryDelay = 1000;
        let reply;
        try {
            reply = await answer(message);
        } catch (e) {
            reply = { error: 'failed' };
        }
        reply.id = message.id;
        if (byteLength(JSON.stringify(reply)) > maxMessageBytes)
            reply = { id: message.id };
        try {
            port.postMessage(reply);
        } catch (e) {
            // The host has gone; onDisconnect reconnects.
        }
    });
    port.onDisconnect.addListener(() => {
        // The host stays up while Velloway is away, so this happens only while
        // its manifest is missing: try again, less often, but soon enough to
        // find the manifest Velloway writes when it starts or connects.
        setTimeout(connect, retryDelay);
        retryDelay = Math.min(retryDelay * 2, 5000);
    });
}

// Browsers wake an extension at start only for a listener of their start;
// without one Velloway would stay unreachable until the extension reloads.
chrome.runtime.onStartup.addListener(() => {});
connect();
