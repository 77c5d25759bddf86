// Validates glTF files with the Khronos reference validator: node validate.js FILE...
// Prints one line per file with its counts and one line per error or warning; exits 1 when any
// file has an error or a warning, 2 when the validator cannot be loaded.
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
    validator = require('gltf-validator');
} catch (e) {
    console.error('the glTF validator is not installed: run scripts/setup.sh (npm ci in ' + __dirname + ')');
    process.exit(2);
}

async function validate(file) {
    const bytes = new Uint8Array(fs.readFileSync(file));
    const report = await validator.validateBytes(bytes, {
        uri: path.basename(file),
        maxIssues: 0,
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
                    err ? reject(err.toString()) : resolve(new Uint8Array(data)));
            }),
    });
    const issues = report.issues;
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
                `${issues.numInfos} infos, ${issues.numHints} hints`);
    for (const m of issues.messages)
        if (m.severity <= 1)
            console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} at ${m.pointer || ''}: ${m.message}`);
    return issues.numErrors + issues.numWarnings === 0;
}

(async () => {
    let ok = true;
    for (const file of process.argv.slice(2)) {
        try {
            ok = (await validate(file)) && ok;
        } catch (e) {
            console.log(`${file}: the validator could not read it: ${e}`);
            ok = false;
        }
    }
    process.exit(ok ? 0 : 1);
})();
