// Runs in headless Chromium after a run's page has loaded, against the document the browser
// built: compares it with the scenario's statements and the pictures on disk, works the
// page's switches, and writes its findings into a pre element of id page-check.
(function () {
  const problems = [];
  const check = (ok, what) => { if (!ok) problems.push(what); };
  const given = (id) => document.getElementById(id).textContent.trim();
  const outcome = given('check-outcome');  // ok, failed or stopped
  const picturesOnDisk = Number(given('check-pictures'));
  const statements = [];
  // Untrimmed, so that line numbers count from the scenario's first line.
  document.getElementById('check-scenario').textContent.split('\n').forEach((line, index) => {
    const text = line.trim();
    if (text && !text.startsWith('#')) statements.push({ line: index + 1, text });
  });

  check(document.body.dataset.ready === 'yes', "the page's own script did not run");
  const steps = Array.from(document.querySelectorAll('li.step'));
  const notRun = document.querySelectorAll('section.not-run li').length;
  check(steps.length + notRun === statements.length,
        `${steps.length} steps and ${notRun} not run, for ${statements.length} statements`);
  check((notRun === 0) === (outcome === 'ok'), `${notRun} steps not run in a run that is ${outcome}`);
  steps.forEach((step, i) => {
    const statement = statements[i] || { line: -1, text: '' };
    const source = step.querySelector('.step-source').textContent;
    check(step.id === `step-${statement.line}` && statement.text.startsWith(source),
          `step ${i} is "${source}" (${step.id}), not line ${statement.line}`);
    const isExpect = statement.text.startsWith('expect ');
    check(step.querySelectorAll('.expectation').length === (isExpect ? 1 : 0),
          `line ${statement.line}: expectations shown do not match the statement`);
    const pictures = step.querySelectorAll('figure.picture svg');
    check(pictures.length === (statement.text.startsWith('picture ') ? 1 : 0),
          `line ${statement.line}: pictures shown do not match the statement`);
    for (const svg of pictures) {
      const box = svg.getBoundingClientRect();
      check(box.width > 100 && box.height > 100, `line ${statement.line}: picture not drawn`);
      check(svg.querySelector('.phone') !== null, `line ${statement.line}: picture has no screen`);
    }
  });
  check(document.querySelectorAll('figure.picture svg').length === picturesOnDisk,
        `the page shows ${document.querySelectorAll('figure.picture svg').length} pictures, ` +
        `the folder holds ${picturesOnDisk}`);

  const held = document.querySelectorAll('.expectation.held');
  const failed = document.querySelectorAll('.expectation.failed');
  check(given('count-held') === String(held.length), 'the count of held expectations is wrong');
  check(given('count-failed') === String(failed.length), 'the count of failed ones is wrong');
  check(failed.length === (outcome === 'failed' ? 1 : 0), `${failed.length} failed expectations`);
  check(/^0 /.test(given('exit-status')) === (outcome === 'ok'), 'the exit status is wrong');
  if (outcome === 'failed' && failed.length === 1) {
    const failure = failed[0];
    check(failure.closest('li.step').classList.contains('failed'), 'the failed step is not marked');
    check(/failed/.test(failure.querySelector('.mark').textContent), 'the failure is not marked');
    check(getComputedStyle(failure).backgroundColor !== getComputedStyle(held[0]).backgroundColor,
          'a failure looks like a held expectation');
    const link = document.querySelector('.problems a.failure-link');
    check(link !== null && link.getAttribute('href') === `#${failure.id}`,
          'the failure is not linked from the top');
    check(link !== null && link.textContent.includes('<Atlantis> & \\"Lemuria\\"'),
          'the failed expectation\'s text is not shown as written');
  }
  if (outcome === 'stopped') {
    const error = document.getElementById('error');
    check(error !== null && / error: /.test(error.textContent), 'the error is not shown');
    check(error !== null && error.closest('li.step') === steps[steps.length - 1],
          'the error is not at the last step run');
    check(document.querySelector('.problems a[href="#error"]') !== null, 'the error is not linked');
  }

  // The annotation layer is off until switched on, and switches off again.
  const layer = document.querySelector('svg .annotations');
  const toggle = document.getElementById('toggle-annotations');
  if (layer) {
    const shown = () => getComputedStyle(layer).display !== 'none';
    check(!shown(), 'annotations are shown before being switched on');
    toggle.click();
    check(shown(), 'annotations do not switch on');
    toggle.click();
    check(!shown(), 'annotations do not switch off');
  }
  // Unticking a category hides its trace lines everywhere; ticking it shows them again.
  const box = document.querySelector('input[data-category]');
  check(box !== null, 'no trace filter');
  if (box) {
    const groups = Array.from(document.querySelectorAll('.trace-group'))
                       .filter((group) => group.dataset.category === box.dataset.category);
    box.click();
    check(groups.length > 0 && groups.every((g) => g.offsetParent === null),
          `unticking ${box.dataset.category} leaves its lines shown`);
    box.click();
    check(groups.every((g) => g.offsetParent !== null), `ticking ${box.dataset.category} again fails`);
  }
  check(document.querySelector('details.final-state details') !== null, 'no final state tree');
  check(performance.getEntriesByType('resource').length === 0, 'the page fetched something');

  const result = document.createElement('pre');
  result.id = 'page-check';
  result.textContent = problems.length ? `FAIL\n${problems.join('\n')}` : 'PASS';
  document.body.appendChild(result);
})();
