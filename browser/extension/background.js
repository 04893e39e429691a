// Hands the selected text of a page, or its whole text when nothing is selected, to Tallivo
// through the native-messaging host, which starts Tallivo when it is not running.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const HOST = 'com.example.tallivo';
const MENU_ID = 'tallivo-capture';
const COMMAND = 'capture-page';

// Runs in the page: the same choice the Internet Explorer capture page made.
function selectionOrPageText() {
  const selected = String(window.getSelection() ?? '');
  return selected.length > 0 ? selected : document.documentElement.innerText;
}

async function showOutcome(tabId, error) {
  // The badge is the only place a service worker can speak without more permissions.
  await api.action.setBadgeText({ tabId, text: error ? '!' : '' });
  await api.action.setTitle({ tabId, title: error ? `--Tallivo--: ${error}` : '--Tallivo--' });
}

async function capture(tab, frameId = 0) {
  let error = null;
  try {
    const [injection] = await api.scripting.executeScript({
      target: { tabId: tab.id, frameIds: [frameId] },
      func: selectionOrPageText,
    });
    const text = injection?.result ?? '';
    const reply = await api.runtime.sendNativeMessage(HOST, { text, url: tab.url ?? '' });
    if (!reply?.ok) error = reply?.error ?? 'Tallivo gave no answer';
  } catch (e) {
    error = e?.message ?? String(e);
  }
  if (error) console.error('Tallivo:', error);
  await showOutcome(tab.id, error).catch(() => {});
  return error === null ? { ok: true } : { ok: false, error };
}

async function activeTab() {
  const [tab] = await api.tabs.query({ active: true, currentWindow: true });
  return tab;
}

async function onCommand(command, tab) {
  if (command !== COMMAND) return { ok: false, error: `unknown command ${command}` };
  return capture(tab ?? (await activeTab()));
}

api.runtime.onInstalled.addListener(() => {
  api.contextMenus.create({
    id: MENU_ID,
    title: '--Tallivo--',
    contexts: ['page', 'selection'],
  });
});

api.contextMenus.onClicked.addListener((info, tab) => {
  if (info.menuItemId === MENU_ID && tab) capture(tab, info.frameId ?? 0);
});

api.commands.onCommand.addListener((command, tab) => {
  onCommand(command, tab);
});

api.action.onClicked.addListener((tab) => {
  capture(tab);
});

// A context-menu click cannot be made from outside the browser; tests reach the keyboard
// command's handler through this name instead.
globalThis.tallivo = { onCommand };
