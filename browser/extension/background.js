// Velloway's side in the browser: answers the program's JSON requests,
// relayed by the native host, for the windows and tabs of this browser and
// for running the bundled playback program of a music site in its tab
// (YouTube Music or Apple Music; the tab's own address picks the program).
// The program sends an action (a name and its arguments), never code: the
// action is passed to the bundled function as its argument. Without the
// "tabs" permission the browser shows this extension only the addresses of
// tabs it may script (the two music sites); every other tab's address stays
// hidden.
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

// Apple Music's program runs in the page's own world, where the page could
// shape its answer: only the known keys, with their types and within their
// bounds, go on. Titles are cut; an address or identifier too long is left out.
function checkedAnswer(result) {
    const answer = {};
    const texts = { title: 500, artist: 500, album: 500 };
    const names = { songId: 64, imageSrc: 2048, error: 32 };
    for (const [key, limit] of Object.entries(texts)) {
        if (typeof result[key] === 'string')
            answer[key] = result[key].slice(0, limit);
    }
    for (const [key, limit] of Object.entries(names)) {
        if (typeof result[key] === 'string' && result[key].length <= limit)
            answer[key] = result[key];
    }
    for (const key of ['songDuration', 'elapsedSeconds', 'volume']) {
        if (typeof result[key] === 'number' && Number.isFinite(result[key]))
            answer[key] = result[key];
    }
    if (typeof result.isPaused === 'boolean')
        answer.isPaused = result.isPaused;
    return answer;
}

// Each music site's program, the world it runs in, and the check of its answer.
const programs = {
    'https://music.youtube.com': { func: youTubePlayback, world: 'ISOLATED', check: (result) => result },
    'https://music.apple.com': { func: appleMusicPlayback, world: 'MAIN', check: checkedAnswer },
};

function programFor(tab) {
    try {
        return programs[new URL(tab.url).origin] || null;
    } catch (e) {
        return null;
    }
}

async function runProgram(message, action) {
    const tab = await findTab(message);
    if (!tab)
        return { error: 'noTab' };
    const program = programFor(tab);
    if (!program)
        return { error: 'failed' };
    let results;
    try {
        results = await chrome.scripting.executeScript({
            target: { tabId: tab.id },
            world: program.world,
            func: program.func,
            args: [action],
        });
    } catch (e) {
        // A tab that left its site during the call is gone, not broken.
        const now = await findTab(message);
        if (!now || now.id !== tab.id || programFor(now) !== program)
            return { error: 'noTab' };
        throw e;
    }
    const result = results && results.length > 0 ? results[0].result : undefined;
    // Only an object is an answer; one too large for a message is
    // dropped below, and the program reads that as no result.
    if (!result || typeof result !== 'object' || Array.isArray(result))
        return {};
    return { result: program.check(result) };
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
        return runProgram(message, action);
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
