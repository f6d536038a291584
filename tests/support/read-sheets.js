// Reads sprite sheet data files with PixiJS' Spritesheet parser and prints what it made of them,
// one block per file, in the form the tests expect (tests/support/PixiSheets.cpp):
//   file <path>
//   size <w> <h>
//   frame <name as JSON> <x> <y> <w> <h> orig <w> <h> trim <x> <y> <w> <h> | trim none
//   animation <name as JSON> <frame names as JSON>...
// The base texture is a buffer of the size the file's meta gives, so that a frame reaching past
// the picture fails as it would in a game. Usage: node read-sheets.js <pixi folder> <file>...
'use strict';
const fs = require('fs');
const path = require('path');
const PIXI = require(path.join(process.argv[2], 'node_modules', 'pixi.js'));

function rect(r) {
  return `${r.x} ${r.y} ${r.width} ${r.height}`;
}

async function read(file) {
  const data = JSON.parse(fs.readFileSync(file, 'utf8'));
  const { w, h } = data.meta.size;
  const base = new PIXI.BaseTexture(new PIXI.BufferResource(new Uint8Array(w * h * 4), { width: w, height: h }));
  // Each file's textures under a cache prefix of their own: files of equal frame names do not meet.
  const sheet = new PIXI.Spritesheet({ texture: base, data, cachePrefix: file + ':' });
  const textures = await sheet.parse();
  // A list of frames is keyed by position: the name is the entry's "filename".
  const list = Array.isArray(data.frames);
  const nameOf = (key) => (list ? data.frames[Number(key)].filename : key);
  const lines = [`file ${file}`, `size ${base.width} ${base.height}`];
  for (const key of Object.keys(textures)) {
    const t = textures[key];
    lines.push(`frame ${JSON.stringify(nameOf(key))} ${rect(t.frame)} orig ${t.orig.width} ${t.orig.height} ` +
               (t.trim ? `trim ${rect(t.trim)}` : 'trim none'));
  }
  for (const [name, frames] of Object.entries(sheet.animations)) {
    // Pixi resolves an animation's names through the frame keys; in a list those are positions,
    // so each listed name is looked up through the entries' filenames.
    const keyOf = (i) => (list ? String(data.frames.findIndex((f) => f.filename === data.animations[name][i])) : data.animations[name][i]);
    const names = frames.map((t, i) => {
      const texture = t || textures[keyOf(i)];
      if (!texture) return '(missing)';
      const key = Object.keys(textures).find((k) => textures[k] === texture);
      return JSON.stringify(nameOf(key));
    });
    lines.push(`animation ${JSON.stringify(name)}${names.map((n) => ' ' + n).join('')}`);
  }
  return lines.join('\n') + '\n';
}

(async () => {
  let out = '';
  for (const file of process.argv.slice(3)) {
    try {
      out += await read(file);
    } catch (e) {
      process.stderr.write(`${file}: ${e.message}\n`);
      process.exit(1);
    }
  }
  process.stdout.write(out);
})();
