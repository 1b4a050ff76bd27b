OPENQASM 3.0;
qubit[2] q;
bit[2] c;
h q[0];
cnot q[0], q[1];
c[0] = measure q[0];
c[1] = measure q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"base_profile"}
