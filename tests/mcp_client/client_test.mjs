// SPDX-License-Identifier: GPL-3.0-or-later
// node client_test.mjs PATH/TO/tirvane-headless
// An agent's session through the official client library: start OpenSE BASIC, type PRINT 6*7, see
// the picture, find "42" in screen memory and stop at the interrupt routine.
import assert from 'node:assert/strict';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';

const program = process.argv[2];
const transport = new StdioClientTransport({ command: program, args: ['--mcp'], stderr: 'inherit' });
const client = new Client({ name: 'tirvane-client-test', version: '1.0.0' });
await client.connect(transport);

const text = (result) => result.content.filter((c) => c.type === 'text').map((c) => c.text).join('\n');
async function call(name, args = {}) {
  const result = await client.callTool({ name, arguments: args });
  assert.ok(!result.isError, `${name}: ${text(result)}`);
  return result;
}
// The bytes of a hex dump as read_memory prints it ("4000: 00 11 ...  |..|").
function bytesOf(result) {
  return text(result).trim().split('\n').flatMap((line) =>
    line.split('|')[0].split(':')[1].trim().split(/\s+/).map((b) => parseInt(b, 16)));
}
async function memory(address, length) {
  const bytes = [];
  for (let at = address; at < address + length; at += 4096)
    bytes.push(...bytesOf(await call('read_memory', { address: at, length: Math.min(4096, address + length - at) })));
  return bytes;
}

const { tools } = await client.listTools();
const names = tools.map((t) => t.name);
for (const name of ['start_game', 'run_frames', 'screenshot', 'read_memory', 'set_breakpoint', 'run_to_breakpoint'])
  assert.ok(names.includes(name), `tools/list lacks ${name}`);

const games = JSON.parse(text(await call('list_games', { driver: 'SPECTRUM' })));
const basic = games.find((g) => g.title.includes('OpenSE BASIC'));
assert.ok(basic, 'OpenSE BASIC is listed');
await call('start_game', { game: basic.file });
await call('run_frames', { frames: 150 });

await call('type_text', { text: 'PRINT 6*7\n' });
await call('run_frames', { frames: 10 });

const shot = await call('screenshot', { scale: 2 });
const image = shot.content.find((c) => c.type === 'image');
assert.equal(image.mimeType, 'image/png');
const png = Buffer.from(image.data, 'base64');
assert.equal(png.subarray(1, 4).toString(), 'PNG');
assert.deepEqual([png.readUInt32BE(16), png.readUInt32BE(20)], [512, 384]);

// The display file holds pixels: "42" is the ROM font's 4 and 2 in two neighbouring cells.
const [charsLow, charsHigh] = await memory(0x5c36, 2);
const font = (charsHigh << 8 | charsLow) + 256;
const glyphs = await memory(font, 96 * 8);
const glyph = (ch) => glyphs.slice((ch.charCodeAt(0) - 32) * 8, (ch.charCodeAt(0) - 31) * 8);
const screen = await memory(0x4000, 6144);
const cell = (row, column) => Array.from({ length: 8 }, (_, line) =>
  screen[(row & 0x18) << 8 | line << 8 | (row & 7) << 5 | column]);
let found = false;
for (let row = 0; row < 24 && !found; ++row)
  for (let column = 0; column < 31 && !found; ++column)
    found = cell(row, column).join() === glyph('4').join() && cell(row, column + 1).join() === glyph('2').join();
assert.ok(found, 'PRINT 6*7 shows 42 on the screen');

await call('set_breakpoint', { address: '0038' });
const hit = text(await call('run_to_breakpoint', { max_frames: 5 }));
assert.match(hit, /Breakpoint at 0038/);
const registers = await call('get_registers');
assert.match(text(registers), /PC=0038/);
assert.equal(registers.structuredContent.PC, 0x38);

// A long run reports progress, leaves the server answering pings, and stops where it is cancelled;
// status then says where (the data checked against the tool's output schema by the client).
const framesBefore = (await call('status')).structuredContent.frames;
const controller = new AbortController();
let progressed;
const firstProgress = new Promise((resolve) => { progressed = resolve; });
const long = client.callTool({ name: 'run_frames', arguments: { frames: 36000 } }, undefined,
  { signal: controller.signal, onprogress: (p) => progressed(p) });
const progress = await firstProgress;
assert.equal(progress.total, 36000);
await client.ping();
controller.abort('enough');
await assert.rejects(long);
const status = (await call('status')).structuredContent;
assert.match(status.stopped, /run_frames cancelled after \d+ of at most 36000 frames/);
assert.ok(status.frames - framesBefore < 36000, `${status.frames - framesBefore} frames run`);

// Mistakes come back as answers an agent can act on.
const refused = await client.callTool({ name: 'read_memory', arguments: { address: 'FFFF', length: 2 } });
assert.ok(refused.isError);
assert.match(text(refused), /past FFFF/);
await assert.rejects(client.callTool({ name: 'no_such_tool', arguments: {} }), /Unknown tool/);

await client.close();
console.log('MCP client session passed');
